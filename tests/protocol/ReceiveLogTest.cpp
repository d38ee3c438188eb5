#include "ReceiveLog.h"
#include "ByteDisplay.h"
#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <set>

namespace {

// A log made of display forms, remembering where each form starts.
struct FormText {
    QString text;
    std::set<qsizetype> boundaries { 0 };

    void add(const QString& form)
    {
        text += form;
        boundaries.insert(text.size());
    }
};

TEST(ReceiveLog, AppendsWhileThereIsRoom)
{
    EXPECT_EQ(append_to_log(u"", u"[ACK]", 10), u"[ACK]");
    EXPECT_EQ(append_to_log(u"[ACK]", u"", 10), u"[ACK]");
    EXPECT_EQ(append_to_log(u"[ACK]", u"[CR]x", 10), u"[ACK][CR]x");
    EXPECT_EQ(append_to_log(u"", u"", 0), u"");
}

TEST(ReceiveLog, DropsTheOldestWholeFormsAndKeepsTheNewest)
{
    FormText log;
    const QStringList forms { "[ACK]", "A", "[CR]", "😀", "[NAK]", " ", "é", "[BS]", "[DEL]", "[",
        "]", "[LF]" };
    for (int round = 0; round < 5; ++round) {
        for (const QString& form : forms)
            log.add(form);
    }
    const QString batch = QStringLiteral("[ACK][CR]");
    const QString joined = log.text + batch;
    for (qsizetype capacity = batch.size(); capacity <= joined.size() + 1; ++capacity) {
        SCOPED_TRACE(testing::Message() << "capacity " << capacity);
        const QString result = append_to_log(log.text, batch, capacity);
        ASSERT_LE(result.size(), capacity);
        ASSERT_TRUE(joined.endsWith(result));
        const qsizetype cut = joined.size() - result.size();
        // The first form boundary at or after the smallest cut: no more is dropped than needed.
        const qsizetype smallest = std::max<qsizetype>(0, joined.size() - capacity);
        EXPECT_EQ(cut, *log.boundaries.lower_bound(smallest));
    }
}

TEST(ReceiveLog, NeverLeavesHalfAName)
{
    QString log;
    for (int byte : { 0x06, 0x0D, 0x00, 0x15, 0x18, 0x7F, 0x08 })
        log += display_form(static_cast<quint8>(byte));
    for (qsizetype capacity = 4; capacity <= log.size(); ++capacity) {
        const QString result = append_to_log(log, u"", capacity);
        EXPECT_TRUE(result.isEmpty() || result.startsWith(u'[')) << result.toStdString();
        EXPECT_EQ(result.count(u'['), result.count(u']'));
    }
}

TEST(ReceiveLog, LiteralBracketsAreCutLikeOtherCharacters)
{
    // Brackets that are data, not a control name, give no reason to drop more.
    EXPECT_EQ(append_to_log(u"[[[[[[", u"[X]", 5), u"[[[X]");
    EXPECT_EQ(append_to_log(u"[AB", u"K]", 4), u"ABK]");
    EXPECT_EQ(append_to_log(u"[ACKK]", u"", 4), u"CKK]");
}

TEST(ReceiveLog, BatchLongerThanCapacityKeepsItsNewestForms)
{
    const QString batch = QStringLiteral("[ACK]").repeated(10) + QStringLiteral("AB");
    EXPECT_EQ(append_to_log(u"old", batch, 12), u"[ACK][ACK]AB");
    EXPECT_EQ(append_to_log(u"old", batch, 14), u"[ACK][ACK]AB");
    EXPECT_EQ(append_to_log(u"old", batch, 17), u"[ACK][ACK][ACK]AB");
}

TEST(ReceiveLog, NeverSplitsASurrogatePair)
{
    const QString log = QStringLiteral("😀").repeated(10);
    EXPECT_EQ(append_to_log(log, u"a", 4), QStringLiteral("😀a"));
    EXPECT_EQ(append_to_log(log, u"a", 5), QStringLiteral("😀😀a"));
}

TEST(ReceiveLog, StaysWithinTheDefaultCapacityUnderEndlessReplies)
{
    QString log;
    const QByteArray replies[] = { QByteArray("\x06\x0D"), QByteArray("0123456789ABCDEF\x0D"),
        QByteArray("\x18\x0D\x7F\x80") };
    for (int batch = 0; batch < 3000; ++batch) {
        const QString text = display_text(replies[batch % 3]);
        log = append_to_log(log, text);
        ASSERT_LE(log.size(), receive_log_capacity);
        ASSERT_TRUE(log.endsWith(text));
    }
    EXPECT_GE(log.size(), receive_log_capacity - 4);
}

} // namespace
