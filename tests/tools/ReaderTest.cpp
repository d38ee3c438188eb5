// The simulated reader's answers apart from time, in-process: its frames, its requests and its
// card. The pace of the answers is the process test's.

#include "Reader.h"
#include "Card.h"

#include <gtest/gtest.h>

namespace {

using reader_sim::Card;
using reader_sim::Reader;

const QByteArray ack_cr("\x06\r");
const QByteArray nak_cr("\x15\r");
const QByteArray blank_read = ack_cr + QByteArray(16, ' ') + '\r';
const QByteArray hangul_9 = "\xED\x95\x9C\xED\x95\x9C\xED\x95\x9C";

QByteArray frame(const QByteArray& body)
{
    return '\x02' + body + '\x03';
}
QByteArray read_frame(const QByteArray& address)
{
    return frame("R" + address + ";730914");
}

TEST(Reader, AnswersEachFrameAndThePresentedCardAsAReaderDoes)
{
    const struct {
        const char* name;
        QByteArray sent, answer;
    } exchanges[] = {
        { "a new issue pads its data to the block", frame("N04;730914;hello"), ack_cr + '\r' },
        { "a read gives the block back", read_frame("4"), ack_cr + "hello           \r" },
        { "data may hold ';' and characters beyond ASCII", frame("W0062;730914;a;b;" + hangul_9),
            ack_cr + '\r' },
        { "leading zeros in the address", read_frame("0062"),
            ack_cr + "a;b;" + hangul_9 + "   \r" },
        { "empty data blanks the block", frame("W01;730914;"), ack_cr + '\r' },
        { "the blanked block", read_frame("01"), blank_read },
        { "a wrong Key A on a read", frame("R20;000000"), ack_cr + "\x18\r" },
        { "a short Key A on an issue", frame("N20;73091;data"), ack_cr + "\x18\r" },
        { "cut off at 256 bytes", "\x02W04;730914;" + QByteArray(300, 'x'), nak_cr },
        { "a sector trailer", frame("R03;730914"), nak_cr },
        { "outside the card", frame("R64;730914"), nak_cr },
        { "a blank in the address", frame("R 4;730914"), nak_cr },
        { "a read with data", frame("R04;730914;data"), nak_cr },
        { "an issue without data", frame("N04;730914"), nak_cr },
        { "a small letter", frame("r04;730914"), nak_cr },
        { "17 bytes of data", frame("N04;730914;0123456789ABCDEFG"), nak_cr },
        { "18 bytes of data in 6 characters", frame("N04;730914;" + hangul_9 + hangul_9), nak_cr },
        { "a new frame ends the wait for the card", read_frame("04") + frame("R03;730914"),
            ack_cr + nak_cr },
        { "bytes outside a frame are ignored", "hello\x03\r\n\x06" + read_frame("05") + "junk",
            blank_read },
        { "a new STX cuts a frame", "\x02R04;730914" + read_frame("05"), nak_cr + blank_read },
    };
    Reader reader(Card("730914"), {});
    for (const auto& exchange : exchanges) {
        SCOPED_TRACE(exchange.name);
        QByteArray answer = reader.receive(exchange.sent).join();
        answer += reader.present_card();
        EXPECT_EQ(answer, exchange.answer);
        EXPECT_FALSE(reader.card_awaited());
        EXPECT_EQ(reader.present_card(), QByteArray()) << "one answer to a card";
    }
}

} // namespace
