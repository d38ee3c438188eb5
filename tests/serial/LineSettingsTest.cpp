#include "LineSettings.h"

#include <gtest/gtest.h>

namespace {

using Parity = LineSettings::Parity;
using StopBits = LineSettings::StopBits;

struct ValidForm {
    const char16_t* text;
    LineSettings expected;
};

void PrintTo(const ValidForm& form, std::ostream* os)
{
    *os << QString::fromUtf16(form.text).toStdString();
}

class ValidSettingsText : public testing::TestWithParam<ValidForm> { };

TEST_P(ValidSettingsText, ParsesIntoItsParts)
{
    const auto parsed = LineSettings::parse(GetParam().text);
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->baud, GetParam().expected.baud);
    EXPECT_EQ(parsed->parity, GetParam().expected.parity);
    EXPECT_EQ(parsed->data_bits, GetParam().expected.data_bits);
    EXPECT_EQ(parsed->stop_bits, GetParam().expected.stop_bits);
}

INSTANTIATE_TEST_SUITE_P(LineSettings, ValidSettingsText,
    testing::Values(ValidForm { u"9600,n,8,1", { 9600, Parity::none, 8, StopBits::one } },
        ValidForm { u"19200,E,7,2", { 19200, Parity::even, 7, StopBits::two } },
        ValidForm { u"1200,o,5,1.5", { 1200, Parity::odd, 5, StopBits::one_and_half } },
        ValidForm { u"4800,M,6,1", { 4800, Parity::mark, 6, StopBits::one } },
        ValidForm { u"115200,s,8,2", { 115200, Parity::space, 8, StopBits::two } }));

class InvalidSettingsText : public testing::TestWithParam<const char16_t*> { };

TEST_P(InvalidSettingsText, IsRefusedRatherThanDefaulted)
{
    EXPECT_FALSE(LineSettings::parse(GetParam()).has_value());
}

INSTANTIATE_TEST_SUITE_P(LineSettings, InvalidSettingsText,
    testing::Values(u"", u"9600", u"9600,n,8", u"9600,,8,1", u"9600,n,,1", u"9600,n,8,",
        u"9600,x,8,1", u"9600,no,8,1", u"9600,n,4,1", u"9600,n,9,1", u"9600,n,8,3", u"9600,n,8,1.0",
        u"fast,n,8,1", u"0,n,8,1", u"-9600,n,8,1", u"9600,n,8,1,0"));

} // namespace
