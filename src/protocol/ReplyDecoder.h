#pragma once

#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>

// The command progress machine: how ACK, NAK, CAN and CR move cmd_state, and the operator message
// each step shows. A state or byte without a transition changes nothing.
inline constexpr char ack = 0x06;
inline constexpr char nak = 0x15;
inline constexpr char can = 0x18;
inline constexpr char cr = 0x0D;

// The sixteen values of cmd_state. The decoder steps on these; the text of each ("", "read",
// "read_ack" ...) is what cmd_state reads as.
enum class ProgressState : std::uint8_t {
    idle,
    read,
    read_ack,
    read_nak,
    read_ack_cr,
    read_ack_can,
    edit,
    edit_ack,
    edit_nak,
    edit_ack_cr,
    edit_ack_can,
    new_issue,
    new_ack,
    new_nak,
    new_ack_cr,
    new_ack_can,
};

struct ProgressStep {
    ProgressState next_state;
    // The Korean source text, empty for none; shown through its translation in the context
    // "ReplyDecoder".
    const char* message;
};

// The step's message as the operator reads it, in the chosen language; empty for none.
QString step_message(const ProgressStep& step);

// The step for a control byte in a state, or nothing when the table has no row for them.
std::optional<ProgressStep> progress_step(char byte, ProgressState state);

QString state_text(ProgressState state);
// The state a text names, or nothing when it is none of the sixteen values.
std::optional<ProgressState> progress_state(QStringView text);
