#pragma once

#include "CardText.h"

#include <QByteArray>
#include <QString>
#include <optional>

// How one card operation ended, as a script sees it: a stable word, an exit status, the operator's
// message in the chosen language, and for a read the card's bytes.
struct CardOutcome {
    enum class Result {
        completed,
        card_failed,
        refused,
        no_answer,
        no_card,
        port_error,
        bad_input,
        verify_failed,
        bad_reply, // a read answered with something else than its block's 16 bytes and CR
        verify_not_made, // written, but --verify could not read the block back
        interrupted, // stopped by a signal after its frame had gone out
    };

    // The exit status of a run stopped by signal n is this plus n, as a shell tells it.
    static constexpr int stopped_status = 128;

    Result result = Result::completed;
    QString message;
    // A completed read's 16 bytes; of a reply that is no block, every byte after ACK CR.
    QByteArray data;
    qint64 elapsed_ms = 0; // from the frame going out to the answer's last byte (or the timeout)
    QByteArray written; // --verify: the block an issue or modify wrote, read back as data

    QString word() const;
    int exit_status() const { return status_of(result); }
    // The program's exit status for a card that ended so; --help's table is made from it. An
    // interrupted card's run ends with stopped_status plus the signal's number.
    static int status_of(Result result);

    // The block read as text in the card encoding, without the fill bytes (00, FF) that end it;
    // nothing when it does not decode or holds a control character, which no card text has.
    std::optional<QString> text(TextEncoding encoding) const;
    // Why text() is nothing, for a text row: "not CP949" or "control bytes".
    QString no_text_reason(TextEncoding encoding) const;
};
