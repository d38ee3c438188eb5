#pragma once

#include "CardOutcome.h"

#include <QJsonObject>
#include <QString>

// A batch's cards as they ended, and the counts of its summary: those completed, those that
// failed, and apart from both those interrupted by a stop after their frame went out (the reader
// may still carry them out), as apart from the lines never run.
struct BatchCounts {
    int completed = 0;
    int failed = 0;
    int interrupted = 0;

    void count(const CardOutcome& outcome);
    // The summary's counts for lines lines in all, not_run of them never run.
    void put(QJsonObject& summary, int lines, int not_run) const;
    // The summary line on standard error, in the chosen language.
    QString text(int lines, int not_run) const;
};
