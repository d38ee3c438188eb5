#pragma once

#include <QString>

// The outcome of an operation on the serial line. A failure carries the device it concerns and the
// operating system's reason ("Permission denied", "No such file or directory"), so that the
// operator can tell a missing adapter from a busy one.
class [[nodiscard]] CommResult {
public:
    static CommResult success() { return CommResult {}; }
    static CommResult failure(QString device, QString reason)
    {
        CommResult result;
        result.failed_ = true;
        result.device_ = std::move(device);
        result.reason_ = std::move(reason);
        return result;
    }

    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }

    const QString& device() const { return device_; }
    const QString& reason() const { return reason_; }

    // "device: reason", or the reason alone when no device is concerned.
    QString detail() const
    {
        return device_.isEmpty() ? reason_ : device_ + QStringLiteral(": ") + reason_;
    }

private:
    bool failed_ = false;
    QString device_;
    QString reason_;
};
