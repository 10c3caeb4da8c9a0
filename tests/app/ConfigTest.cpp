#include "app/CConfig.h"

#include "support/EnvGuard.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace brivex {
namespace {

using test::EnvGuard;
using test::TempDir;

class ConfigTest : public ::testing::Test {
protected:
    TempDir dir;
    EnvGuard sysdir{"BRIVEX_SYSDIR", dir.str()};
};

TEST_F(ConfigTest, AFirstStartReadsTheDefaults)
{
    EXPECT_EQ(CConfig::Text(keys::PhoneNumber), "#777");
    EXPECT_EQ(CConfig::Text(keys::UserName), kDefaultUserName);
    EXPECT_EQ(CConfig::Text(keys::Password), "KWD");
    EXPECT_EQ(CConfig::Number(keys::BaudRate), 115200);
    EXPECT_EQ(CConfig::Int(keys::PrefMode), -1);
    EXPECT_EQ(CConfig::Text(keys::Chv1), "5960");
    EXPECT_EQ(CConfig::Number(keys::RssiEvdo), 21);
    EXPECT_EQ(CConfig::Int(keys::SysinfSleep), 5);
    EXPECT_EQ(CConfig::Text(keys::ModemSwVer), " ");
}

TEST_F(ConfigTest, WritesLandInTheirOwnFile)
{
    CConfig::WriteInt(keys::ComPort, 3);
    dir.write("sysqor.ini", "[sysinf]\nslps=9\n");
    EXPECT_EQ(CConfig::Int(keys::ComPort), 3);
    EXPECT_EQ(CConfig::Int(keys::SysinfSleep), 9);
    EXPECT_NE(dir.read("fer_dialer.ini").find("[comport]"), std::string::npos);
}

TEST_F(ConfigTest, TheHistoryCounterReadsAtMostFiveDigits)
{
    CConfig::Write(keys::HistoryNum, "123456");
    EXPECT_EQ(CConfig::Number(keys::HistoryNum), 12345);
}

TEST_F(ConfigTest, OnlyTheValueOneKeepsTheWindowOnTop)
{
    const struct {
        const char* value;
        bool onTop;
    } cases[] = {{"1", true}, {"2", false}, {"0", false}};
    for (const auto& c : cases) {
        CConfig::Write(keys::Top, c.value);
        EXPECT_EQ(CConfig::Int(keys::Top) == 1, c.onTop) << c.value;
    }
}

TEST_F(ConfigTest, TheTrafficDirectoryIsAPlainPrefix)
{
    CConfig::Write(keys::CurDir, "/data/traffic");
    EXPECT_EQ(CConfig::Text(keys::CurDir) + "PktFF.dat", "/data/trafficPktFF.dat");
}

TEST_F(ConfigTest, AFailedWriteIsReported)
{
    EnvGuard gone("BRIVEX_SYSDIR", (dir / "missing").string());
    EXPECT_FALSE(CConfig::Write(keys::Top, "1"));
    EXPECT_EQ(CConfig::Int(keys::Top), 0);
}

}  // namespace
}  // namespace brivex
