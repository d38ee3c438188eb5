#include "WireTrace.h"

#include "ByteDisplay.h"

#include <QDateTime>

bool WireTrace::open(const QString& path)
{
    file_.setFileName(path);
    return file_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
}

void WireTrace::opened(const QString& device)
{
    write_line("open ", device);
}

void WireTrace::closed(const QString& device)
{
    write_line("close", device);
}

void WireTrace::lost(const QString& device)
{
    write_line("lost ", device);
}

void WireTrace::written(QByteArrayView bytes)
{
    write_bytes("sent ", bytes);
}

void WireTrace::received(QByteArrayView bytes)
{
    write_bytes("recv ", bytes);
}

void WireTrace::write_bytes(const char* what, QByteArrayView bytes)
{
    write_line(what,
        QString::fromLatin1(bytes.toByteArray().toHex(' ').toUpper()) + QStringLiteral("  ")
            + display_text(bytes));
}

void WireTrace::write_line(const char* what, const QString& text)
{
    if (!file_.isOpen())
        return;
    const QString stamp
        = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    file_.write((stamp + u' ' + QLatin1StringView(what) + u' ' + text + u'\n').toUtf8());
    file_.flush();
}
