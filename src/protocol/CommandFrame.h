#pragma once

// The card protocol's codec, free of the line and of the window (library novard_protocol, QtCore
// only).
//
// Going out, a command is one frame (this header): STX, a body such as "R04;730914", ETX, its
// fields' characters in the card's encoding (CardText), the one place text becomes bytes, and
// only once they pass the one field check of both programs (encode_fields). Coming in, every byte
// is shown in the receive log by its display form (ByteDisplay), the log is kept within its bound
// (ReceiveLog), and ACK, NAK, CAN and CR move the command's progress through the decoder's table
// (ReplyDecoder), which names the operator's message for each step. The window's operations
// (src/operations) and the simulated reader (tools/reader_sim) both build on this.

#include "CardLimits.h"
#include "CardText.h"
#include "ReplyDecoder.h"

#include <QString>
#include <QStringView>
#include <array>
#include <optional>
#include <variant>

// The three card commands as they go on the line: STX, the body, ETX, each its own write. The body
// is the command letter directly followed by the address, then ";" and the key, and for the two
// issue commands ";" and the data. Fields are neither padded nor escaped.
enum class CardCommand { read, new_issue, modify_issue };

struct CommandFields {
    QString address;
    QString key;
    QString data;
};

enum class CommandField { address, key, data };
// "address", "key" or "data".
QString field_word(CommandField field);

// The fields as bytes in the card's encoding.
struct EncodedFields {
    QByteArray address;
    QByteArray key;
    QByteArray data;
};

// Why a field cannot go out as it is.
enum class FieldFault {
    // 0x00-0x1F, 0x7F or U+0080-U+009F: an STX or ETX would end the frame or begin another, and
    // the others act on whatever shows the frame.
    control_character,
    // ';' in the address or the key would move every field after it (a ';' in the data, the last
    // field, goes out as data).
    separator,
    unrepresentable, // the card's encoding has no bytes for the character
    too_many_bytes, // the data is longer than a block once encoded
};
// A field refused: nothing of the frame is sent.
struct FieldRefusal {
    CommandField field;
    FieldFault fault;
    char32_t character = 0; // the first character at fault; none for too_many_bytes
    qsizetype bytes = 0; // too_many_bytes: the data's size in the encoding
};

// The first control character or address or key separator in the fields, which would change the
// frame's shape.
std::optional<FieldRefusal> shape_refusal(const CommandFields& fields);
// The fields' bytes, checked as they go out: their shape first, then each field's encoding, then
// the data's size in a block. Frames are made from these bytes alone, so no text reaches the line
// unchecked.
std::variant<EncodedFields, FieldRefusal> encode_fields(
    const CommandFields& fields, TextEncoding encoding);

inline constexpr char stx = 0x02;
inline constexpr char etx = 0x03;

// Key A of every sector as the reader and its cards come.
inline QString default_key()
{
    return QStringLiteral("730914");
}

// Leading and trailing spaces (code 32) only; tabs, full-width spaces and inner spaces stay.
QString trim_spaces(QStringView text);

// Characters as the operator sees them: Unicode code points, so a Hangul syllable or an emoji
// counts one.
qsizetype character_count(QStringView text);

// The fields as they go out: trimmed of spaces, and no data for a read, which never reads it.
CommandFields trimmed_fields(CardCommand command, const CommandFields& typed);
// An issue or modify command's data over max_data_characters, which the tool refuses to send.
bool data_too_long(const CommandFields& fields);

QByteArray command_body(CardCommand command, const EncodedFields& fields);
// The frame as its three writes, in order: STX, the body, ETX.
std::array<QByteArray, 3> frame_writes(CardCommand command, const EncodedFields& fields);
// The frame as the operator reads it, from the bytes that go out (an ASCII field as itself, any
// other as its text followed by its bytes in hex, "카드 (C4 AB B5 E5)"), then a sentence naming the
// command in the operator's language.
QString echo_text(CardCommand command, const EncodedFields& fields, TextEncoding encoding);
// The first progress value of the command: "read", "new" or "edit".
ProgressState initial_state(CardCommand command);

// The test button's cycle: the pattern for an index, and the index after it.
QString test_pattern(int index);
int next_test_pattern_index(int index);
