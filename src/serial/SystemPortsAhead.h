#pragma once

#include "SystemPorts.h"

#include <future>
#include <memory>

// The system's list read once ahead, on a helper thread from construction on, so that the
// numbering at start-up finds it read rather than waiting for the system's device walk. Only that
// first reading is taken from the helper; every later one (a port search, a device coming back)
// is made anew, on the caller's thread.
class SystemPortsAhead final : public SystemPorts {
public:
    explicit SystemPortsAhead(std::shared_ptr<const SystemPorts> system);

    QList<Port> ports() const override;
    bool may_have_identity(const QString& node) const override
    {
        return system_->may_have_identity(node);
    }

private:
    std::shared_ptr<const SystemPorts> system_;
    // Empty once taken; destroying it waits for the helper.
    mutable std::future<QList<Port>> ahead_;
};
