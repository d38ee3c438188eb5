#pragma once

#include "CommandFrame.h"

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>

// A batch's line as a card operation.
struct BatchLine {
    int number = 0; // in the file, the header being line 1
    std::optional<CardCommand> command; // nothing when the line names no operation
    CommandFields fields;
    QString fault; // empty: the line can be run
};

// A batch of card operations as CSV, taken a line at a time as it is read: a header naming the
// columns op and address, and optionally key and data, in any order; then one operation a line
// ("read,04,,"; "issue,05,,\"a,b\""). A field may be quoted, a quote inside doubled. An empty key
// is the default key. Empty lines are skipped; a line that cannot be run (an unknown op, a wrong
// number of fields, data over the limit) is kept with the reason, so that it is told in its place.
class BatchFile {
    Q_DECLARE_TR_FUNCTIONS(BatchFile)

public:
    // Each line's fields are checked as they would go on the line in the card encoding.
    explicit BatchFile(TextEncoding card_encoding)
        : card_encoding_(card_encoding)
    {
    }
    // The operation of one line's text; nothing for the header and an empty line. A bad header
    // makes fault() the file's.
    std::optional<BatchLine> take(int number, QStringView text);
    // The file as a whole cannot be read (a bad header, or none before the first line's end).
    QString fault() const { return fault_; }
    bool has_header() const { return width_ > 0; }

private:
    enum class Column { op, address, key, data };
    static std::optional<Column> column_named(QStringView name);
    // Where the column sits in a line; -1 for a column the header has not.
    qsizetype& place(Column column);
    QString field(const QStringList& fields, Column column);

    TextEncoding card_encoding_;
    qsizetype op_place_ = -1;
    qsizetype address_place_ = -1;
    qsizetype key_place_ = -1;
    qsizetype data_place_ = -1;
    qsizetype width_ = 0;
    QString fault_;
};
