#pragma once

#include "ProgramOptions.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>
#include <optional>

// A batch file read a line at a time as it comes, in memory that does not grow with the input: a
// regular file is read as lines are wanted, a pipe or a terminal whenever it has bytes, so that a
// program that feeds lines through a pipe it keeps open gets each card as its line arrives. A line
// ends at LF, CR LF or a lone CR. Each is decoded in the input's encoding (a UTF-8 byte order mark
// at the start is skipped); a line that does not decode is told with the offset of its first bad
// byte, and a line longer than max_line bytes ends the input, since its end may never come
// (/dev/zero). Text that two encodings read differently is told, never guessed: without a given
// encoding, a line that UTF-8 reads as Latin-1 letters and signs alone where CP949 reads Hangul
// (C2 AA C2 A1: "ª¡" or "짧징"); under CP949, a line holding Hangul in valid UTF-8.
class BatchInput final : public QObject {
    Q_OBJECT

public:
    static constexpr qsizetype max_line = 4096;

    struct Line {
        int number = 0; // from 1
        QString text;
        QString fault; // empty: text is the line
    };

    // Without an encoding, UTF-8 unless a line is ambiguous.
    explicit BatchInput(std::optional<TextEncoding> encoding);
    ~BatchInput() override;

    // path: a file, or "-" for standard input. False, with error() saying why, if it cannot.
    bool open(const QByteArray& path);
    QString error() const { return error_; }
    bool regular_file() const { return regular_; }

    // The next line; nothing when none is there yet (ready() tells when bytes come) or at the
    // end. Without read_more, only the bytes already read are looked at.
    std::optional<Line> next(bool read_more = true);
    bool at_end() const { return ended_ && buffer_.isEmpty(); }

signals:
    void ready();

private:
    // The platform's own (BatchInputPosix.cpp, BatchInputWindows.cpp): reading, and watching a
    // pipe or terminal for bytes, a socket notifier on Linux and a reader thread on Windows, whose
    // pipes and consoles have nothing to notify with.
    struct Watch;
    static constexpr qsizetype chunk = 64 * 1024;
    bool read_some();
    void await_bytes();
    void stop_watching();
    Line decoded(int number, QByteArray bytes);
    QString ambiguity(QByteArrayView bytes, const QString& text) const;

    std::optional<TextEncoding> given_;
    TextEncoding encoding_;
    bool marked_ = false; // a byte order mark began the input: it is UTF-8
    int fd_ = -1;
    bool own_fd_ = false;
    bool regular_ = false;
    bool ended_ = false;
    bool after_cr_ = false; // a lone CR ended the last line: an LF next is its CR LF
    int number_ = 0;
    QByteArray buffer_;
    QString error_;
    std::shared_ptr<Watch> watch_; // for a pipe or terminal
};
