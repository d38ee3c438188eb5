#pragma once

#include <QString>
#include <optional>

// The command progress machine: how ACK, NAK, CAN and CR move cmd_state, and the operator message
// each step shows. A state or byte without a transition changes nothing.
inline constexpr char ack = 0x06;
inline constexpr char nak = 0x15;
inline constexpr char can = 0x18;
inline constexpr char cr = 0x0D;

struct ProgressStep {
    QString next_state;
    QString message; // empty: no message
};

// The step for a control byte in a state, or nothing when the table has no row for them.
std::optional<ProgressStep> progress_step(char byte, const QString& state);

// The sixteen values cmd_state can take.
bool is_progress_state(const QString& state);
