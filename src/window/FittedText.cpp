#include "FittedText.h"

#include <QFontMetrics>
#include <QLabel>

QString fitted_text(const StatusText& status, const QFontMetrics& metrics, int width)
{
    const QString whole = status.whole();
    if (status.path.isEmpty() || metrics.horizontalAdvance(whole) <= width)
        return whole;
    const int room = width - metrics.horizontalAdvance(status.before + status.after);
    QString path = metrics.elidedText(status.path, Qt::ElideMiddle, qMax(room, 0));
    // Narrower than an ellipsis: the ellipsis alone still says a path was there.
    if (path.isEmpty())
        path = QString(QChar(0x2026));
    return status.before + path + status.after;
}

void show_fitted(QLabel& label, const StatusText& status)
{
    // What a label's size hint adds to its text: its contents margins and its margin each side.
    const int width = label.contentsRect().width() - 2 * label.margin();
    label.setText(fitted_text(status, label.fontMetrics(), width));
    label.setToolTip(status.path.isEmpty() ? QString() : status.whole());
}
