#include "ReceiveLogBox.h"

#include "CachedPanelStyle.h"
#include "ReceiveLog.h"

#include <QAccessible>
#include <QFocusEvent>

namespace {

// The box shows each batch within 20 ms: at most this wait for the frame's end, then about a
// millisecond to lay the text out and paint it.
constexpr int screen_frame_ms = 18;

// Where the part of text that fills at least twice the box's width starts: after setText a line
// edit shows its text's end, so this part is all that is on screen. Characters that may take no
// room count as none, so the part can only come out longer than it needs to be.
qsizetype tail_start(QStringView text, const QFontMetrics& metrics, int box_width)
{
    qsizetype start = text.size();
    for (int width = 0; start > 0 && width < 2 * box_width; --start) {
        const QChar character = text[start - 1];
        if (character.isPrint())
            width += metrics.horizontalAdvance(character);
    }
    if (start > 0 && start < text.size() && text[start].isLowSurrogate()
        && text[start - 1].isHighSurrogate())
        --start;
    return start;
}

// A focus that comes and goes with the window (or a popup over it) leaves the box's cursor and
// selection as they were.
bool is_window_focus(const QFocusEvent& event)
{
    return event.reason() == Qt::ActiveWindowFocusReason || event.reason() == Qt::PopupFocusReason;
}

} // namespace

ReceiveLogBox::ReceiveLogBox(QWidget* parent)
    : QLineEdit(parent)
{
    // Qt's default limit of 32,767 characters would cut the log silently.
    setMaxLength(int(receive_log_capacity));
    // The log is Latin text and bracketed names: without kerning and ligatures, which it has no
    // use for, Qt lays its 4096 characters out in a fraction of the time. Scripts that need
    // shaping are still shaped.
    QFont log_font = font();
    log_font.setStyleStrategy(QFont::PreferNoShaping);
    setFont(log_font);
    // A widget does not own its style; this one goes with the box.
    auto* style = new CachedPanelStyle;
    style->setParent(this);
    setStyle(style);
    frame_.setSingleShot(true);
    frame_.setTimerType(Qt::PreciseTimer);
    frame_.setInterval(screen_frame_ms);
    connect(&frame_, &QTimer::timeout, this, [this] {
        if (!shown_)
            show_now();
    });
    // The operator may edit the box like any text box; the log is then what it shows.
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!showing_)
            log_ = text;
    });
}

void ReceiveLogBox::set_log(const QString& text)
{
    log_ = text;
    show_soon();
}

void ReceiveLogBox::append_log(QStringView batch_text)
{
    append_to_log(log_, batch_text);
    show_soon();
}

void ReceiveLogBox::show_soon()
{
    if (frame_.isActive())
        shown_ = false;
    else
        show_now();
}

void ReceiveLogBox::show_now()
{
    shown_ = true;
    showing_ = true;
    // An assistive tool reads the box's text without an event that would reach the box.
    if (whole_ || QAccessible::isActive())
        setText(log_);
    else
        setText(log_.sliced(tail_start(log_, fontMetrics(), width())));
    showing_ = false;
    frame_.start();
}

void ReceiveLogBox::show_whole()
{
    if (!shown_ || !whole_) {
        whole_ = true;
        show_now();
        // The box scrolls its text to the cursor only when it paints; until then a click or a
        // drop would land by the scroll of the text it held before.
        repaint();
    }
}

void ReceiveLogBox::keyPressEvent(QKeyEvent* event)
{
    show_whole();
    QLineEdit::keyPressEvent(event);
}

void ReceiveLogBox::inputMethodEvent(QInputMethodEvent* event)
{
    show_whole();
    QLineEdit::inputMethodEvent(event);
}

void ReceiveLogBox::mousePressEvent(QMouseEvent* event)
{
    show_whole();
    QLineEdit::mousePressEvent(event);
}

void ReceiveLogBox::mouseReleaseEvent(QMouseEvent* event)
{
    show_whole();
    QLineEdit::mouseReleaseEvent(event);
}

void ReceiveLogBox::contextMenuEvent(QContextMenuEvent* event)
{
    show_whole();
    QLineEdit::contextMenuEvent(event);
}

void ReceiveLogBox::dragEnterEvent(QDragEnterEvent* event)
{
    show_whole();
    QLineEdit::dragEnterEvent(event);
}

void ReceiveLogBox::dropEvent(QDropEvent* event)
{
    show_whole();
    QLineEdit::dropEvent(event);
}

void ReceiveLogBox::focusInEvent(QFocusEvent* event)
{
    // Tab selects the whole text; the window coming back to the front selects nothing.
    if (!is_window_focus(*event))
        show_whole();
    QLineEdit::focusInEvent(event);
}

void ReceiveLogBox::focusOutEvent(QFocusEvent* event)
{
    if (!is_window_focus(*event))
        whole_ = false;
    QLineEdit::focusOutEvent(event);
}
