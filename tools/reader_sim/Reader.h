#pragma once

#include "Card.h"
#include "FrameReader.h"
#include "Request.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QByteArrayView>
#include <QString>
#include <functional>
#include <optional>

namespace reader_sim {

// The reader's answers, apart from time: what it says at once to the bytes it receives, and what
// it says when the card is presented. The caller decides when the card comes and paces the bytes.
//
// A well-formed frame is answered ACK CR and waits for the card; a frame it cannot take is
// answered NAK CR. Any frame ends the wait for an earlier command, as the tool has moved on.
// With the card: read answers the block's 16 bytes and CR, new and modify issue store the data and
// answer CR, and a Key A that is not the sector's answers CAN CR.
class Reader {
public:
    // note, when set, is told each frame and answer, control bytes by name, as the tool shows them.
    Reader(Card card, std::function<void(const QString&)> note);

    // One answer for each frame the bytes end, in order.
    QByteArrayList receive(QByteArrayView bytes);
    bool card_awaited() const { return pending_.has_value(); }
    // Empty when no card is awaited.
    QByteArray present_card();

private:
    Card card_;
    FrameReader frames_;
    std::optional<Request> pending_;
    std::function<void(const QString&)> note_;
};

} // namespace reader_sim
