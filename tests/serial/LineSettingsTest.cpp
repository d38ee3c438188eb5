#include "LineSettings.h"
#include "QtPrinters.h"

#include <gtest/gtest.h>

namespace {

using Parity = LineSettings::Parity;
using StopBits = LineSettings::StopBits;

TEST(LineSettings, ValidTextParsesIntoItsParts)
{
    const struct {
        QString text;
        LineSettings expected;
    } cases[] = {
        { "9600,n,8,1", { 9600, Parity::none, 8, StopBits::one } },
        { "19200,E,7,2", { 19200, Parity::even, 7, StopBits::two } },
        { "1200,o,5,1.5", { 1200, Parity::odd, 5, StopBits::one_and_half } },
        { "4800,M,6,1", { 4800, Parity::mark, 6, StopBits::one } },
        { "115200,s,8,2", { 115200, Parity::space, 8, StopBits::two } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        const auto parsed = LineSettings::parse(c.text);
        ASSERT_TRUE(parsed.has_value());
        EXPECT_EQ(parsed->baud, c.expected.baud);
        EXPECT_EQ(parsed->parity, c.expected.parity);
        EXPECT_EQ(parsed->data_bits, c.expected.data_bits);
        EXPECT_EQ(parsed->stop_bits, c.expected.stop_bits);
    }
}

TEST(LineSettings, InvalidTextIsRefusedRatherThanDefaulted)
{
    const QStringList texts { "", "9600", "9600,n,8", "9600,,8,1", "9600,n,,1", "9600,n,8,",
        "9600,x,8,1", "9600,no,8,1", "9600,n,4,1", "9600,n,9,1", "9600,n,8,3", "9600,n,8,1.0",
        "fast,n,8,1", "0,n,8,1", "-9600,n,8,1", "9600,n,8,1,0" };
    for (const QString& text : texts)
        EXPECT_FALSE(LineSettings::parse(text).has_value()) << text.toStdString();
}

} // namespace
