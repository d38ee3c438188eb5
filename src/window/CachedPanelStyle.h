#pragma once

#include <QPixmap>
#include <QProxyStyle>
#include <tuple>

// The application's style for a line edit whose text changes every screen frame: the box's panel
// (background and frame), which Fusion strokes as antialiased rounded outlines at three times the
// cost of a short text, is drawn once for each look and copied onto every later paint.
class CachedPanelStyle final : public QProxyStyle {
    Q_OBJECT

public:
    CachedPanelStyle();

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
        const QWidget* widget) const override;

private:
    using Look = std::tuple<QSize, qreal, int, qint64, int, int>;
    mutable Look look_;
    mutable QPixmap panel_;
};
