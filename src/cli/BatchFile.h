#pragma once

#include "CommandFrame.h"

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QStringView>
#include <optional>

// A batch of card operations as CSV: a header naming the columns op and address, and optionally
// key and data, in any order; then one operation a line ("read,04,,"; "issue,05,,\"a,b\""). A field
// may be quoted, a quote inside doubled. An empty key is the default key. Empty lines are skipped;
// a line that cannot be run (an unknown op, a wrong number of fields, data over the limit) is kept
// with the reason, so that it is told in its place.
struct BatchLine {
    int number = 0; // in the file, the header being line 1
    std::optional<CardCommand> command; // nothing when the line names no operation
    CommandFields fields;
    QString fault; // empty: the line can be run
};

struct BatchFile {
    Q_DECLARE_TR_FUNCTIONS(BatchFile)

public:
    QList<BatchLine> lines;
    QString fault; // the file as a whole cannot be read (no header, a bad header)

    // Each line's fields are checked as they would go on the line in the card encoding.
    static BatchFile parse(QStringView text, TextEncoding card_encoding);
};
