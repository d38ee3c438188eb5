#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

// The tool's end of the line, as a test plays it: the device opened by its path and set raw.
class LineEnd {
public:
    struct Chunk {
        qint64 at_ms; // since the read began
        QByteArray bytes;
    };

    explicit LineEnd(const QString& path);
    ~LineEnd();
    LineEnd(const LineEnd&) = delete;
    LineEnd& operator=(const LineEnd&) = delete;

    bool is_open() const { return fd_ >= 0; }
    void write(const QByteArray& bytes);
    // Until count bytes came or timeout_ms passed, as they arrived.
    std::vector<Chunk> read_chunks(qsizetype count, int timeout_ms = 2000);
    QByteArray read(qsizetype count, int timeout_ms = 2000);
    // Whatever arrives within window_ms.
    QByteArray read_for(int window_ms);

private:
    int fd_ = -1;
};
