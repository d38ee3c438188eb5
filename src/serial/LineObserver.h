#pragma once

#include <QByteArrayView>
#include <QString>

// Told of everything that passes on a QtSerialControl's line, beside the road the bytes take to the
// window: each write as it is handed to the device, each batch as it is taken by Input, and each
// open, close and loss of a device. It sees, and changes, nothing else.
class LineObserver {
public:
    virtual ~LineObserver() = default;

    virtual void opened(const QString& device) = 0;
    virtual void closed(const QString& device) = 0;
    virtual void lost(const QString& device) = 0;
    virtual void written(QByteArrayView bytes) = 0;
    virtual void received(QByteArrayView bytes) = 0;
};
