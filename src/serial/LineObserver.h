#pragma once

#include <QByteArrayView>
#include <QString>

// Told of everything that passes on a serial control's line, beside the road the bytes take to the
// window: each write as the device takes it (a line that does not drain takes it in parts), each
// batch as it is taken by Input, each open, close and loss of a device, and writes given up
// unsent (at a close, or dropped): how many bytes of them went out and how many did not.
// It sees, and changes, nothing else; each event it does not override it ignores.
class LineObserver {
public:
    virtual ~LineObserver() = default;

    virtual void opened(const QString&) { }
    virtual void closed(const QString&) { }
    virtual void lost(const QString&) { }
    virtual void written(QByteArrayView) { }
    virtual void received(QByteArrayView) { }
    virtual void cut(qint64 /* sent */, qint64 /* unsent */) { }
};
