#include "CachedPanelStyle.h"

#include <QApplication>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOptionFrame>

CachedPanelStyle::CachedPanelStyle()
    : QProxyStyle(QStyleFactory::create(QApplication::style()->name()))
{
}

void CachedPanelStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
    QPainter* painter, const QWidget* widget) const
{
    const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
    if (element != PE_PanelLineEdit || frame == nullptr) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    const qreal ratio = painter->device()->devicePixelRatio();
    const Look look { frame->rect.size(), ratio, int(frame->state), frame->palette.cacheKey(),
        frame->lineWidth, int(frame->features) };
    if (panel_.isNull() || look != look_) {
        QStyleOptionFrame at_origin = *frame;
        at_origin.rect.moveTopLeft({ 0, 0 });
        panel_ = QPixmap(frame->rect.size() * ratio);
        panel_.setDevicePixelRatio(ratio);
        panel_.fill(Qt::transparent);
        QPainter panel_painter(&panel_);
        QProxyStyle::drawPrimitive(element, &at_origin, &panel_painter, widget);
        look_ = look;
    }
    painter->drawPixmap(frame->rect.topLeft(), panel_);
}
