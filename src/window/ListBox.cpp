#include "ListBox.h"

namespace {

QListWidgetItem* chosen(const QListWidget& list)
{
    QListWidgetItem* item = list.currentItem();
    return item && item->isSelected() ? item : nullptr;
}

} // namespace

void ListBox::keyPressEvent(QKeyEvent* event)
{
    // The focus alone makes an entry current without selecting it; only a selected entry is
    // chosen.
    QListWidgetItem* before = chosen(*this);
    QListWidget::keyPressEvent(event);
    if (QListWidgetItem* after = chosen(*this); after && after != before)
        emit itemClicked(after);
}
