// The card protocol's pure parts: the frame body and its echo, the progress table, the display
// forms of received bytes and the receive log's cut. How the window sends and decodes is in its
// tests.

#include "ByteDisplay.h"
#include "CardText.h"
#include "CommandFrame.h"
#include "QtPrinters.h"
#include "ReceiveLog.h"
#include "ReplyDecoder.h"

#include <QMap>
#include <QStringList>
#include <gtest/gtest.h>
#include <set>
#include <tuple>

namespace {

using enum CardCommand;

// A field's text to the bytes on the line, or why it is refused before a byte goes out; "카드" as
// the Windows tool wrote it in CP949. The window's and novard-cli's tests run the hostile rows
// through each program.
TEST(CardText, EachFieldBecomesItsEncodingsBytesOrIsRefusedWithItsFieldAndWhy)
{
    using enum TextEncoding;
    using enum CommandField;
    // The field, its text, the card's encoding, and the field's bytes or the refusal.
    const std::tuple<CommandField, const char*, TextEncoding, const char*> rows[] = {
        { data, "카드", cp949, "C4 AB B5 E5" }, { data, "카드", utf8, "EC B9 B4 EB 93 9C" },
        { data, "똠힣ㄱ", cp949, "8C 63 C6 52 A4 A1" },
        { data, "Az09 ;~", cp949, "41 7A 30 39 20 3B 7E" },
        { data, "①×€", cp949, "A8 E7 A1 BF A2 E6" }, { data, "é", cp949, "data “é” (U+00E9)" },
        { data, "é", utf8, "C3 A9" }, { data, "가😀", cp949, "data “😀” (U+1F600)" },
        { data, "😀", utf8, "F0 9F 98 80" }, { data, "𠀀", cp949, "data “𠀀” (U+20000)" },
        { data, "\x02N08;730914;EVIL", cp949, "data “\x02” (U+0002)" },
        { key, "730914;EVIL", cp949, "key “;” (U+003B)" },
        { address, "0\x03", utf8, "address “\x03” (U+0003)" },
        { key, "73\t914", cp949, "key “\t” (U+0009)" },
        { data, "a\x7F", cp949, "data “\x7F” (U+007F)" },
        { data, "a\u0085", utf8, "data “\u0085” (U+0085)" }, { data, "a\u00A0", utf8, "61 C2 A0" },
        { data, "가나다라마바사아", cp949, "B0 A1 B3 AA B4 D9 B6 F3 B8 B6 B9 D9 BB E7 BE C6" },
        { data, "가나다라마바사아자", cp949, "data 18 bytes" },
        { data, "가나다라마바", utf8, "data 18 bytes" }
    };
    for (const auto& [field, typed, encoding, bytes_or_refusal] : rows) {
        SCOPED_TRACE(testing::Message() << typed << ' ' << int(encoding));
        CommandFields fields;
        QString& text = field == address ? fields.address : field == key ? fields.key : fields.data;
        text = QString::fromUtf8(typed);
        const auto encoded = encode_fields(fields, encoding);
        // The bytes of the one field given, or the field refused and its character or size.
        const auto* bytes = std::get_if<EncodedFields>(&encoded);
        const auto* refused = std::get_if<FieldRefusal>(&encoded);
        EXPECT_EQ(bytes ? QString::fromLatin1(
                      (bytes->address + bytes->key + bytes->data).toHex(' ').toUpper())
                        : field_word(refused->field) + ' '
                    + (refused->bytes > 0 ? QString::number(refused->bytes) + " bytes"
                                          : character_name(refused->character)),
            QString::fromUtf8(bytes_or_refusal));
        const auto text_bytes = encode_card_text(text, encoding);
        EXPECT_EQ(text_bytes ? decode_card_text(*text_bytes, encoding) : std::nullopt,
            text_bytes ? std::optional(text) : std::nullopt);
    }
    const auto lone = encode_fields({ "04", QString(QChar(0xD83D)), "" }, utf8);
    EXPECT_EQ(std::get<FieldRefusal>(lone).field, CommandField::key);
    EXPECT_EQ(decode_card_text("\xC4\xAB\xB5", cp949), std::nullopt) << "a cut character";
    EXPECT_EQ(decode_card_text("\xFF", utf8), std::nullopt);
    // Only spaces are trimmed, and characters are counted as the operator sees them. Sending
    // through the window covers the rest: the three bodies, trimming, the echoes.
    EXPECT_EQ(trim_spaces(u"  \u00a0a;b\t \u3000 "), "\u00a0a;b\t \u3000");
    EXPECT_EQ(character_count(QStringLiteral("가😀").repeated(8) + QChar(0xD83D) + u'x'), 18);
}

TEST(ReplyDecoder, EachStateAndControlByteStepsByTheTableAndNoOtherPairMakesAStep)
{
    // The command's name in its messages; a wrong Key A fails a read or a modify, not a new issue.
    const QString key_hint = " (Key A : 6 Byte 값을 확인하시기 바랍니다.)";
    const struct {
        QString c, name, hint;
    } commands[]
        = { { "read", "읽기", key_hint }, { "edit", "수정", key_hint }, { "new", "발행", "" } };
    // "state byte" to "next state: message" for every pair that makes a step.
    QMap<QString, QString> steps;
    const auto pair
        = [](const QString& state, char byte) { return state + ' ' + QString::number(byte); };
    for (const auto& m : commands) {
        steps[pair(m.c, ack)] = m.c + "_ack: ";
        steps[pair(m.c, nak)] = m.c + "_nak: ";
        steps[pair(m.c + "_ack_cr", can)] = m.c + "_ack_can: ";
        steps[pair(m.c + "_ack", cr)]
            = m.c + "_ack_cr: " + m.name + " 명령 전송 완료 -> 카드를 대어 주세요";
        steps[pair(m.c + "_nak", cr)] = ": " + m.name + " 명령 에러";
        steps[pair(m.c + "_ack_can", cr)] = ": " + m.name + " 에러" + m.hint;
        steps[pair(m.c + "_ack_cr", cr)] = ": 카드 " + m.name + " 완료";
    }
    for (int index = 0; index < 16; ++index) {
        const auto state = ProgressState(index);
        const QString text = state_text(state);
        EXPECT_EQ(index == 0, text.isEmpty());
        EXPECT_EQ(progress_state(text), state);
        for (int value = 0; value < 256; ++value) {
            SCOPED_TRACE(testing::Message() << '"' << text.toStdString() << "\" byte " << value);
            const auto step = progress_step(char(value), state);
            EXPECT_EQ(step ? state_text(step->next_state) + ": " + QString::fromUtf8(step->message)
                           : QString(),
                steps.value(pair(text, char(value))));
        }
    }
    for (const char* other : { "READ", "read ", "idle" })
        EXPECT_FALSE(progress_state(QString::fromLatin1(other))) << other;
}

QString appended(QString log, QStringView batch, qsizetype capacity = receive_log_capacity)
{
    append_to_log(log, batch, capacity);
    return log;
}

// Each byte's form: controls by name, Windows-1252 above, never an invisible control. The log
// drops the fewest oldest whole forms and keeps the newest.
TEST(ReceiveLog, ShowsEachByteVisiblyDropsTheFewestOldestWholeFormsAndKeepsTheNewest)
{
    const std::pair<int, QString> anchors[] = { { 0x00, "[NUL]" }, { 0x06, "[ACK]" },
        { 0x0D, "[CR]" }, { 0x15, "[NAK]" }, { 0x18, "[CAN]" }, { 0x1F, "[US]" }, { 0x20, " " },
        { 0x7E, "~" }, { 0x7F, "[DEL]" }, { 0x80, "€" }, { 0x81, "\uFFFD" }, { 0x9D, "\uFFFD" },
        { 0x9F, "Ÿ" }, { 0xA0, "\u00A0" }, { 0xE9, "é" }, { 0xFF, "ÿ" } };
    for (const auto& [byte, form] : anchors)
        EXPECT_EQ(display_form(quint8(byte)), form) << byte;
    for (int byte = 0; byte < 256; ++byte)
        for (const QChar c : display_form(quint8(byte)))
            EXPECT_NE(c.category(), QChar::Other_Control) << byte;
    EXPECT_EQ(display_text(QByteArrayView("A \x06\x0D\x80", 5)), "A [ACK][CR]€");

    // Bracketed names, a surrogate pair and literal brackets: forms the cut must not split, at
    // every capacity from the batch alone to more than the whole.
    QString log;
    std::set<qsizetype> boundaries { 0 };
    const QStringList data { "A", "😀", "[", "]", "é" };
    for (int byte = 0; byte <= 0x20; ++byte) {
        for (const QString& form : { display_form(quint8(byte)), data[byte % data.size()] }) {
            log += form;
            boundaries.insert(log.size());
        }
    }
    const QString batch = QStringLiteral("[ACK][CR]");
    const QString joined = log + batch;
    for (qsizetype capacity = batch.size(); capacity <= joined.size() + 1; ++capacity) {
        SCOPED_TRACE(testing::Message() << "capacity " << capacity);
        const QString result = appended(log, batch, capacity);
        ASSERT_TRUE(joined.endsWith(result));
        const qsizetype smallest_cut = std::max<qsizetype>(0, joined.size() - capacity);
        EXPECT_EQ(joined.size() - result.size(), *boundaries.lower_bound(smallest_cut));
    }
    EXPECT_EQ(appended(QStringLiteral("[ACKK]"), u"", 4), "CKK]");
    EXPECT_EQ(appended("old", QStringLiteral("[ACK]").repeated(10) + "AB", 14), "[ACK][ACK]AB");
    EXPECT_EQ(
        appended(QString(5000, u'x'), u"[ACK]"), QString(receive_log_capacity - 5, u'x') + "[ACK]");
}

} // namespace
