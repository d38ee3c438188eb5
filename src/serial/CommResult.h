#pragma once

#include "SystemReason.h"

#include <QString>

// The outcome of an operation on the serial line. A failure carries the device it concerns, the
// reason ("Permission denied", "No such file or directory") in the operator's language, and the
// kind of failure, told from the error code, for whoever acts on it.
class [[nodiscard]] CommResult {
public:
    enum class Kind {
        none, // a success
        other,
        permission, // the user may not open the device
        busy, // another program holds the device
        other_device, // the port's device is gone and another device is at its node
    };

    static CommResult success() { return CommResult {}; }
    static CommResult failure(QString device, QString reason, Kind kind = Kind::other)
    {
        CommResult result;
        result.kind_ = kind;
        result.device_ = std::move(device);
        result.reason_ = std::move(reason);
        return result;
    }
    // The reason told from the operating system's error code (an errno value).
    static CommResult failure(QString device, int error, Kind kind = Kind::other)
    {
        return failure(std::move(device), system_reason(error), kind);
    }

    bool ok() const { return kind_ == Kind::none; }
    explicit operator bool() const { return ok(); }

    Kind kind() const { return kind_; }
    const QString& device() const { return device_; }
    const QString& reason() const { return reason_; }

    // "device: reason", or the reason alone when no device is concerned.
    QString detail() const
    {
        return device_.isEmpty() ? reason_ : device_ + QStringLiteral(": ") + reason_;
    }

private:
    Kind kind_ = Kind::none;
    QString device_;
    QString reason_;
};
