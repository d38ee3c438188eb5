#pragma once

#include <QComboBox>

// The block address box read_address: a drop-down list with a free text field. What the operator
// types is an address, not a new list entry, and goes out as typed (no completion: the default
// inline completion would make a typed "1" the block "10"). The wheel neither takes the focus nor,
// on an unfocused box, changes the block: a scroll over the window must not move a write
// elsewhere.
class AddressBox final : public QComboBox {
    Q_OBJECT

public:
    explicit AddressBox(QWidget* parent = nullptr);

protected:
    void wheelEvent(QWheelEvent* event) override;
};
