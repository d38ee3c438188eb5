#include "SystemPortsAhead.h"

SystemPortsAhead::SystemPortsAhead(std::shared_ptr<const SystemPorts> system)
    : system_(std::move(system))
    // The list's reading touches nothing but the system's device files, so it may run beside
    // whatever the caller's thread does meanwhile.
    , ahead_(std::async(std::launch::async, [system = system_] { return system->ports(); }))
{
}

QList<SystemPorts::Port> SystemPortsAhead::ports() const
{
    if (ahead_.valid())
        return ahead_.get();
    return system_->ports();
}
