#include "PortMap.h"

#include <gtest/gtest.h>

namespace {

// Only the text of the default device is looked at: /dev/ttyS0 is this machine's console.
TEST(PortMap, NumbersAreTheKernelsSerialDevicesByDefault)
{
    const PortMap map;
    EXPECT_EQ(map.device_for(1), QStringLiteral("/dev/ttyS0"));
    EXPECT_EQ(map.device_for(8), QStringLiteral("/dev/ttyS7"));
    EXPECT_EQ(map.device_for(16), QStringLiteral("/dev/ttyS15"));
}

TEST(PortMap, AFolderTakesEveryNumber)
{
    PortMap map;
    map.set_port_dir(QStringLiteral("/tmp/ports"));
    EXPECT_EQ(map.device_for(1), QStringLiteral("/tmp/ports/COM1"));
    EXPECT_EQ(map.device_for(16), QStringLiteral("/tmp/ports/COM16"));
}

TEST(PortMap, ASingleMappingWinsOverTheFolder)
{
    PortMap map;
    map.set_port_dir(QStringLiteral("/tmp/ports"));
    map.map_port(3, QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(map.device_for(3), QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(map.device_for(2), QStringLiteral("/tmp/ports/COM2"));
}

TEST(PortMap, ASingleMappingLeavesOtherNumbersAtTheirDefault)
{
    PortMap map;
    map.map_port(2, QStringLiteral("/dev/pts/7"));
    EXPECT_EQ(map.device_for(2), QStringLiteral("/dev/pts/7"));
    EXPECT_EQ(map.device_for(3), QStringLiteral("/dev/ttyS2"));
}

struct GoodMapping {
    const char16_t* text;
    int port;
    const char16_t* path;
};

void PrintTo(const GoodMapping& mapping, std::ostream* os)
{
    *os << QString::fromUtf16(mapping.text).toStdString();
}

class WellFormedMapping : public testing::TestWithParam<GoodMapping> { };

TEST_P(WellFormedMapping, GivesPortAndPath)
{
    const auto mapping = PortMap::parse_mapping(GetParam().text);
    ASSERT_TRUE(mapping.has_value());
    EXPECT_EQ(mapping->port, GetParam().port);
    EXPECT_EQ(mapping->path, QString::fromUtf16(GetParam().path));
}

INSTANTIATE_TEST_SUITE_P(PortMap, WellFormedMapping,
    testing::Values(GoodMapping { u"COM3=/tmp/x", 3, u"/tmp/x" },
        GoodMapping { u"COM1=/dev/ttyUSB0", 1, u"/dev/ttyUSB0" },
        GoodMapping { u"COM16=/dev/pts/4", 16, u"/dev/pts/4" },
        GoodMapping { u"COM2=relative/path=with=equals", 2, u"relative/path=with=equals" }));

class MalformedMapping : public testing::TestWithParam<const char16_t*> { };

TEST_P(MalformedMapping, IsRefused)
{
    EXPECT_FALSE(PortMap::parse_mapping(GetParam()).has_value());
}

INSTANTIATE_TEST_SUITE_P(PortMap, MalformedMapping,
    testing::Values(u"COM0=/tmp/x", u"COM17=/tmp/x", u"COM03=/tmp/x", u"com3=/tmp/x", u"COM3=",
        u"COM3", u"COM=/tmp/x", u"COM+3=/tmp/x", u"COM-1=/tmp/x", u"COM 3=/tmp/x", u"LPT1=/tmp/x",
        u"=/tmp/x", u""));

} // namespace
