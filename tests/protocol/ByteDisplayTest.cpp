#include "ByteDisplay.h"
#include "QtPrinters.h"

#include <gtest/gtest.h>

namespace {

TEST(ByteDisplay, EveryByteValue)
{
    const QStringList names = QStringLiteral("NUL SOH STX ETX EOT ENQ ACK BEL BS HT LF VT FF CR SO "
                                             "SI DLE DC1 DC2 DC3 DC4 NAK SYN ETB CAN EM SUB ESC FS "
                                             "GS RS US")
                                  .split(u' ');
    // Windows-1252 from 0x80 to 0x9F; U+FFFD at 0x81, 0x8D, 0x8F, 0x90 and 0x9D, which it leaves
    // unassigned.
    const QString cp1252 = QStringLiteral("€\uFFFD‚ƒ„…†‡ˆ‰Š‹Œ\uFFFDŽ\uFFFD"
                                          "\uFFFD‘’“”•–—˜™š›œ\uFFFDžŸ");
    ASSERT_EQ(names.size(), 32);
    ASSERT_EQ(cp1252.size(), 32);
    for (int byte = 0; byte < 256; ++byte) {
        SCOPED_TRACE(testing::Message() << "byte 0x" << std::hex << byte);
        const QString form = display_form(static_cast<quint8>(byte));
        if (byte < 0x20)
            EXPECT_EQ(form, u'[' + names[byte] + u']');
        else if (byte == 0x7F)
            EXPECT_EQ(form, "[DEL]");
        else if (byte >= 0x80 && byte < 0xA0)
            EXPECT_EQ(form, QString(cp1252[byte - 0x80]));
        else // ASCII, and from 0xA0 on Latin-1
            EXPECT_EQ(form, QString(QChar(byte)));
        for (const QChar c : form)
            EXPECT_NE(c.category(), QChar::Other_Control) << "never an invisible control";
    }
}

TEST(ByteDisplay, TextJoinsTheFormsWithoutSeparators)
{
    EXPECT_EQ(display_text(QByteArrayView("A \x06\x0D", 4)), "A [ACK][CR]");
    EXPECT_EQ(display_text(QByteArrayView()), "");
    QByteArray all;
    QString expected;
    for (int byte = 0; byte < 256; ++byte) {
        all.append(static_cast<char>(byte));
        expected += display_form(static_cast<quint8>(byte));
    }
    EXPECT_EQ(display_text(all), expected);
}

} // namespace
