#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

namespace reader_sim {

enum class RequestKind { read, new_issue, modify_issue };

// One command the reader can take, from the body of a frame (between STX and ETX):
//   "R" address ";" key
//   "N" address ";" key ";" data      (new issue)
//   "W" address ";" key ";" data      (modify issue)
// The address is a decimal block number (leading zeros allowed) naming a data block. Data is every
// byte after the second ";", so it may itself hold ";", and is at most one block long. The key is
// only compared when the card is presented, so a key of any length is taken here.
struct Request {
    RequestKind kind;
    int block;
    QByteArray key;
    QByteArray data;
};

// Empty when the reader cannot take the body (it answers NAK).
std::optional<Request> parse_request(QByteArrayView body);

} // namespace reader_sim
