#pragma once

#include "SystemPorts.h"

// A system port list that a test writes; it may change between two readings, as devices are
// plugged in and pulled out.
class FakeSystemPorts final : public SystemPorts {
public:
    QList<Port> ports() const override { return list; }

    QList<Port> list;
};
