#pragma once

#include <QLineEdit>
#include <QString>
#include <QStringView>
#include <QTimer>

// The receive log box txtrecv: an ordinary editable single-line text box that holds the receive
// log, kept fast on a busy line.
//
// A line at 9600 baud with a threshold of one byte notifies about every millisecond, and a
// single-line box lays out its whole text on every change. So the box keeps the log's text
// itself and shows it at most once a screen frame (18 ms): at once when it was shown a frame ago
// or longer, else when the frame ends. Laying out 4096 characters is most of a frame's cost and
// only the end of the log is on screen, so the box holds only that end until the operator reaches
// into it (a key, the mouse, a drop, Tab), then the whole log until the focus leaves it. Its panel
// is drawn through CachedPanelStyle, and its font does without kerning and ligatures.
class ReceiveLogBox final : public QLineEdit {
    Q_OBJECT

public:
    explicit ReceiveLogBox(QWidget* parent = nullptr);

    // The log as the program holds it, exact after every change; the box shows it within a frame.
    const QString& log() const { return log_; }
    void set_log(const QString& text);
    // The batch text at the end of the log, within the log's bound.
    void append_log(QStringView batch_text);

protected:
    // What the operator does to the box acts on the whole log, not on its end, nor on the text
    // still shown from the frame before.
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void show_soon();
    void show_now();
    void show_whole();

    QString log_;
    QTimer frame_;
    bool shown_ = true;
    bool whole_ = false;
    // The box's own setText, as opposed to the operator's editing.
    bool showing_ = false;
};
