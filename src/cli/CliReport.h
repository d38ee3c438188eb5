#pragma once

#include "BatchCounts.h"
#include "BatchFile.h"
#include "CardOutcome.h"
#include "CliOptions.h"

#include <QByteArray>
#include <QString>

// What a run of novard-cli tells: each card's outcome on standard output, as a text row or one
// JSON object a line, a batch's summary, and the messages on standard error, a batch's naming
// their card on a terminal. It also notices when standard output can no longer be written, so
// that CliRun starts no new card. Its texts are in CliRun's translation context, as
// BatchCounts' are: the operator meets them as one program's.
class CliReport final {
public:
    CliReport(const CliOptions& options, bool batch);

    // A batch's messages name their card only when standard error is a terminal.
    bool terminal() const { return terminal_; }
    // Of a batch file on a terminal, the lines that can be run, counted in a pass that keeps no
    // line; the messages then say "card N of M".
    void count_cards();

    void say(const QString& text) const;
    // A card session's message, naming the card in progress when card_number is not 0.
    void card_message(const QString& text, int card_number) const;
    void sent(const QString& echo) const;
    void stray(const QByteArray& bytes) const;
    // The batch file's own fault, or its missing header.
    void file_fault(const QString& fault) const;
    void no_header() const;

    // A card's outcome on standard output.
    void card(const BatchLine& line, const CardOutcome& outcome);
    // A batch's end: why output was lost, then the JSON summary and the summary line.
    struct Summary {
        const BatchCounts& counts;
        int lines; // in all, the not_run ones among them
        int not_run;
        QString result; // the word of the first card that did not complete
        bool stopped;
        int exit_status;
        qint64 elapsed_ms;
    };
    void summary(const Summary& summary);

    // A batch's standard output whose reader went away counts as lost before the next card.
    void check_output();
    bool output_lost() const { return !output_lost_.isEmpty(); }

private:
    void write_out(const QByteArray& line);

    const CliOptions& options_;
    const bool batch_;
    const bool terminal_;
    int cards_ = 0; // of a regular file on a terminal, the lines that can be run; 0: not known
    QString output_lost_; // why standard output could not be written
};
