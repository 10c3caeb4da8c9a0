#include "app/CDebugViews.h"

#include "support/EnvGuard.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <thread>

namespace brivex {
namespace {

using test::EnvGuard;
using test::TempDir;

// Puts the global log back into its start-up state around each test.
class DebugViewsTest : public ::testing::Test {
protected:
    EnvGuard noLog{"BRIVEX_LOG", std::nullopt};
    CDebugViews& log = CDebugViews::Instance();

    void SetUp() override
    {
        log.ReloadEnvironment();
        log.Destroy();
        log.SetVisible(false);
        log.Clear();
    }
    void TearDown() override { SetUp(); }

    void openWindow()
    {
        log.Initialise();
        log.SetVisible(true);
    }
};

TEST_F(DebugViewsTest, NothingIsRecordedWhileTheWindowIsHidden)
{
    log.Initialise();
    BX_LOG(LEVEL_ST, "hidden %d", 1);
    EXPECT_TRUE(log.Lines().empty());
}

TEST_F(DebugViewsTest, InitialisationLeavesOutStatusRecordsUntilChosen)
{
    openWindow();
    BX_LOG(LEVEL_STU, "status");
    BX_LOG(LEVEL_DM, "dm");
    ASSERT_EQ(log.Lines().size(), 1u);
    EXPECT_NE(log.Lines()[0].find("dm"), std::string::npos);

    log.SelectLevel(9);  // "Level STATUS"
    BX_LOG(LEVEL_STU, "status");
    BX_LOG(LEVEL_DM, "dm");
    EXPECT_EQ(log.Lines().size(), 2u);

    log.SelectLevel(0);  // "All View"
    EXPECT_EQ(log.Mask(), 0xFFFFu);
}

TEST_F(DebugViewsTest, DisabledOrMaskedRecordsAreDropped)
{
    openWindow();
    log.SetMask(LEVEL_ERR);
    BX_LOG(LEVEL_ST, "dropped");
    log.SetMask(0xFFFF);
    log.SetDisabled(true);
    BX_LOG(LEVEL_ST, "dropped");
    EXPECT_TRUE(log.Lines().empty());
}

TEST(DebugViewsFormat, LineLayout)
{
    std::tm tm{};
    tm.tm_hour = 9;
    tm.tm_min = 5;
    tm.tm_sec = 7;
    EXPECT_EQ(CDebugViews::FormatLine(tm, LEVEL_DM, 42, "C:\\src\\DrvComm.cpp", "hello"),
              "09:05:07 LEVEL_DM  :    42  DrvComm.cpp           hello");
    // A path without a separator is used whole; a long name is not padded.
    EXPECT_EQ(CDebugViews::SourceName("NoSeparatorsInThisName25.c"), "NoSeparatorsInThisName25.c");
    EXPECT_EQ(CDebugViews::SourceName("/a/b/x.cpp"), "x.cpp               ");
    // A combination of bits, or an unknown bit, is named LEVEL_SUM.
    EXPECT_STREQ(CDebugViews::LevelName(LEVEL_ST | LEVEL_ERR), "LEVEL_SUM ");
    EXPECT_STREQ(CDebugViews::LevelName(LEVEL_NOTI), "LEVEL_NOTI");
}

TEST(DebugViewsFormat, LevelChoices)
{
    const auto& c = CDebugViews::LevelChoices();
    ASSERT_EQ(c.size(), 12u);
    EXPECT_EQ(c[0], "All View");
    EXPECT_EQ(c[11], "Level ComPort");
    EXPECT_EQ(CDebugViews::MaskForChoice(11), static_cast<std::uint32_t>(LEVEL_COM));
}

TEST_F(DebugViewsTest, LongMessagesAreCutToTheBuffer)
{
    openWindow();
    const std::string huge(5000, 'x');
    BX_LOG(LEVEL_ST, "%s", huge.c_str());
    ASSERT_EQ(log.Lines().size(), 1u);
    const std::string line = log.Lines()[0];
    EXPECT_EQ(line.size() - line.find("xxx"), CDebugViews::kMessageBuffer - 1);
}

TEST_F(DebugViewsTest, ConcurrentWritersKeepTheirOwnSourceLines)
{
    openWindow();
    auto writer = [](int id) {
        for (int i = 0; i < 200; ++i)
            CDebugViews::Instance().Record(1000 + id, id == 0 ? "zero.cpp" : "one.cpp", LEVEL_ST, "w%d", id);
    };
    std::thread a(writer, 0), b(writer, 1);
    a.join();
    b.join();
    const auto lines = log.Lines();
    ASSERT_EQ(lines.size(), 400u);
    for (const auto& line : lines) {
        const bool zero = line.find("w0") != std::string::npos;
        EXPECT_NE(line.find(zero ? " 1000  zero.cpp" : " 1001  one.cpp"), std::string::npos) << line;
    }
}

TEST_F(DebugViewsTest, SaveWritesEveryLineWithCarriageReturns)
{
    openWindow();
    BX_LOG(LEVEL_ST, "first");
    BX_LOG(LEVEL_ST, "second");
    TempDir dir;
    const std::string name = log.Save(dir.str());
    ASSERT_EQ(name.rfind("Debug Message ", 0), 0u);
    const std::string text = dir.read(name);
    EXPECT_NE(text.find("first\r\n"), std::string::npos);
    EXPECT_NE(text.find("second\r\n"), std::string::npos);
    EXPECT_TRUE(log.Save((dir / "missing/dir").string()).empty());
}

TEST_F(DebugViewsTest, LogFileSwitchesEveryLevelOnForTheRun)
{
    TempDir dir;
    const std::string file = (dir / "brivex.log").string();
    EnvGuard on("BRIVEX_LOG", file);
    log.ReloadEnvironment();
    log.SetMask(0);  // start-up switches the window's logging off; the file keeps it on
    BX_LOG(LEVEL_STU, "status %d", 7);
    EXPECT_NE(dir.read("brivex.log").find("LEVEL_STU :"), std::string::npos);
    EXPECT_NE(dir.read("brivex.log").find("status 7\n"), std::string::npos);
}

}  // namespace
}  // namespace brivex
