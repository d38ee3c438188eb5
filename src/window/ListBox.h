#pragma once

#include <QListWidget>

// A list box that, as the classic one does, takes a move of its selection by the keyboard (the
// arrow keys, Home, End, Page Up/Down, a typed letter, Space) for a click on the entry it moves
// to: itemClicked is raised once per move, as a mouse click raises it. Taking the focus chooses
// nothing.
class ListBox final : public QListWidget {
    Q_OBJECT

public:
    using QListWidget::QListWidget;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
