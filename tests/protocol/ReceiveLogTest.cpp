#include "ReceiveLog.h"
#include "ByteDisplay.h"
#include "QtPrinters.h"

#include <gtest/gtest.h>
#include <set>

namespace {

QString appended(QString log, QStringView batch, qsizetype capacity = receive_log_capacity)
{
    append_to_log(log, batch, capacity);
    return log;
}

TEST(ReceiveLog, DropsTheFewestOldestWholeFormsAndKeepsTheNewest)
{
    // Every bracketed name, a surrogate pair and literal brackets, each a form the cut must not
    // split, at every capacity from the batch alone to more than the whole.
    QString log;
    std::set<qsizetype> boundaries { 0 };
    const auto add = [&](const QString& form) {
        log += form;
        boundaries.insert(log.size());
    };
    const QStringList data { "A", "😀", "[", "]", "é" };
    for (const bool with_data : { true, false }) {
        for (int byte = 0; byte <= 0x20; ++byte) {
            add(display_form(static_cast<quint8>(byte)));
            if (with_data)
                add(data[byte % data.size()]);
        }
        add(display_form(0x7F));
    }
    const QString batch = QStringLiteral("[ACK][CR]");
    const QString joined = log + batch;
    for (qsizetype capacity = batch.size(); capacity <= joined.size() + 1; ++capacity) {
        SCOPED_TRACE(testing::Message() << "capacity " << capacity);
        const QString result = appended(log, batch, capacity);
        ASSERT_LE(result.size(), capacity);
        ASSERT_TRUE(joined.endsWith(result));
        const qsizetype smallest_cut = std::max<qsizetype>(0, joined.size() - capacity);
        EXPECT_EQ(joined.size() - result.size(), *boundaries.lower_bound(smallest_cut));
    }
}

TEST(ReceiveLog, LiteralBracketsAreCutLikeOtherCharacters)
{
    EXPECT_EQ(appended(QStringLiteral("[[[[[["), u"[X]", 5), "[[[X]");
    EXPECT_EQ(appended(QStringLiteral("[AB"), u"K]", 4), "ABK]");
    EXPECT_EQ(appended(QStringLiteral("[ACKK]"), u"", 4), "CKK]");
}

TEST(ReceiveLog, ABatchLongerThanTheCapacityKeepsItsNewestForms)
{
    const QString batch = QStringLiteral("[ACK]").repeated(10) + QStringLiteral("AB");
    EXPECT_EQ(appended(QStringLiteral("old"), batch, 12), "[ACK][ACK]AB");
    EXPECT_EQ(appended(QStringLiteral("old"), batch, 14), "[ACK][ACK]AB");
    EXPECT_EQ(appended(QStringLiteral("old"), batch, 17), "[ACK][ACK][ACK]AB");
}

TEST(ReceiveLog, TheDefaultCapacityIsTheBound)
{
    EXPECT_EQ(
        appended(QString(5000, u'x'), u"[ACK]"), QString(receive_log_capacity - 5, u'x') + "[ACK]");
}

} // namespace
