#include "ByteDisplay.h"
#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <map>

namespace {

const std::map<int, QString> named_bytes {
    { 0x00, "[NUL]" },
    { 0x01, "[SOH]" },
    { 0x02, "[STX]" },
    { 0x03, "[ETX]" },
    { 0x04, "[EOT]" },
    { 0x05, "[ENQ]" },
    { 0x06, "[ACK]" },
    { 0x07, "[BEL]" },
    { 0x08, "[BS]" },
    { 0x09, "[HT]" },
    { 0x0A, "[LF]" },
    { 0x0B, "[VT]" },
    { 0x0C, "[FF]" },
    { 0x0D, "[CR]" },
    { 0x0E, "[SO]" },
    { 0x0F, "[SI]" },
    { 0x10, "[DLE]" },
    { 0x11, "[DC1]" },
    { 0x12, "[DC2]" },
    { 0x13, "[DC3]" },
    { 0x14, "[DC4]" },
    { 0x15, "[NAK]" },
    { 0x16, "[SYN]" },
    { 0x17, "[ETB]" },
    { 0x18, "[CAN]" },
    { 0x19, "[EM]" },
    { 0x1A, "[SUB]" },
    { 0x1B, "[ESC]" },
    { 0x1C, "[FS]" },
    { 0x1D, "[GS]" },
    { 0x1E, "[RS]" },
    { 0x1F, "[US]" },
    { 0x7F, "[DEL]" },
};

// Windows-1252 between 0x80 and 0x9F, with U+FFFD for the bytes it leaves unassigned.
const std::map<int, QString> cp1252_bytes {
    { 0x80, "€" },
    { 0x81, "\uFFFD" },
    { 0x82, "‚" },
    { 0x83, "ƒ" },
    { 0x84, "„" },
    { 0x85, "…" },
    { 0x86, "†" },
    { 0x87, "‡" },
    { 0x88, "ˆ" },
    { 0x89, "‰" },
    { 0x8A, "Š" },
    { 0x8B, "‹" },
    { 0x8C, "Œ" },
    { 0x8D, "\uFFFD" },
    { 0x8E, "Ž" },
    { 0x8F, "\uFFFD" },
    { 0x90, "\uFFFD" },
    { 0x91, "‘" },
    { 0x92, "’" },
    { 0x93, "“" },
    { 0x94, "”" },
    { 0x95, "•" },
    { 0x96, "–" },
    { 0x97, "—" },
    { 0x98, "˜" },
    { 0x99, "™" },
    { 0x9A, "š" },
    { 0x9B, "›" },
    { 0x9C, "œ" },
    { 0x9D, "\uFFFD" },
    { 0x9E, "ž" },
    { 0x9F, "Ÿ" },
};

const std::map<int, QString> latin1_samples {
    { 0xA0, "\u00A0" },
    { 0xA9, "©" },
    { 0xAD, "\u00AD" },
    { 0xC4, "Ä" },
    { 0xE9, "é" },
    { 0xFF, "ÿ" },
};

TEST(ByteDisplay, EveryByteValue)
{
    for (int byte = 0; byte < 256; ++byte) {
        SCOPED_TRACE(testing::Message() << "byte 0x" << std::hex << byte);
        const QString form = display_form(static_cast<quint8>(byte));
        if (const auto named = named_bytes.find(byte); named != named_bytes.end()) {
            EXPECT_EQ(form, named->second);
        } else if (byte >= 0x20 && byte < 0x7F) {
            EXPECT_EQ(form, QString(QChar(byte)));
        } else if (const auto cp = cp1252_bytes.find(byte); cp != cp1252_bytes.end()) {
            EXPECT_EQ(form, cp->second);
        } else {
            ASSERT_GE(byte, 0xA0);
            EXPECT_EQ(form, QString(QChar(byte))) << "0xA0 to 0xFF agree with Latin-1";
            if (const auto sample = latin1_samples.find(byte); sample != latin1_samples.end()) {
                EXPECT_EQ(form, sample->second);
            }
        }
        ASSERT_FALSE(form.isEmpty()) << "no byte is dropped";
        for (const QChar c : form) {
            EXPECT_FALSE(c.category() == QChar::Other_Control) << "never an invisible control";
            EXPECT_FALSE(c.isSurrogate());
        }
    }
}

TEST(ByteDisplay, SampleCharacters)
{
    EXPECT_EQ(display_form(0x20), u" ");
    EXPECT_EQ(display_form(0x41), u"A");
    EXPECT_EQ(display_form(0x5B), u"[");
    EXPECT_EQ(display_form(0x7E), u"~");
}

TEST(ByteDisplay, TextJoinsFormsWithoutSeparators)
{
    EXPECT_EQ(display_text(QByteArrayView("\x06\x0D", 2)), u"[ACK][CR]");
    EXPECT_EQ(display_text(QByteArrayView("A \x06", 3)), u"A [ACK]");
    EXPECT_EQ(display_text(QByteArrayView("\x00\x80\xFF", 3)), u"[NUL]€ÿ");
    EXPECT_EQ(display_text(QByteArrayView()), u"");

    QByteArray all;
    QString expected;
    for (int byte = 0; byte < 256; ++byte) {
        all.append(static_cast<char>(byte));
        expected += display_form(static_cast<quint8>(byte));
    }
    EXPECT_EQ(display_text(all), expected);
}

} // namespace
