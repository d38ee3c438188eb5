#pragma once

#include <QString>
#include <optional>

// The line settings text of the classic COM-port control, "baud,parity,data,stop" ("9600,n,8,1"),
// parsed into its parts. Parity is one of n, e, o, m, s; data bits 5 to 8; stop bits 1, 1.5 or 2.
struct LineSettings {
    enum class Parity { none, even, odd, mark, space };
    enum class StopBits { one, one_and_half, two };

    int baud = 9600;
    Parity parity = Parity::none;
    int data_bits = 8;
    StopBits stop_bits = StopBits::one;

    // Nothing for a text that is not of that form: an invalid text is never silently defaulted.
    static std::optional<LineSettings> parse(QStringView text);

    friend bool operator==(const LineSettings&, const LineSettings&) = default;
};
