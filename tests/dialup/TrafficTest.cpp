#include "app/CConfig.h"
#include "dialup/CTrafficFiles.h"
#include "dialup/CTrafficLimit.h"
#include "support/EnvGuard.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace brivex::test {
namespace {

std::time_t LocalTime(int year, int month, int day, int h, int m, int s)
{
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = h;
    t.tm_min = m;
    t.tm_sec = s;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

TEST(SessionRecord, LittleEndianLayout)
{
    SessionRecord r;
    r.time = 0x0102030405060708;
    r.durationMs = 0x11223344;
    r.bytesSent = 0xA1A2A3A4;
    r.bytesReceived = 0xB1B2B3B4;
    const auto b = r.Encode();
    const std::array<std::uint8_t, 24> expected{0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01, 0, 0, 0, 0,
                                                0x44, 0x33, 0x22, 0x11, 0xA4, 0xA3, 0xA2, 0xA1, 0xB4, 0xB3, 0xB2, 0xB1};
    EXPECT_EQ(b, expected);
    const auto back = SessionRecord::Decode(b.data());
    EXPECT_EQ(back.time, r.time);
    EXPECT_EQ(back.bytesReceived, r.bytesReceived);
}

class Traffic : public ::testing::Test {
protected:
    std::string File(const char* name = "PktFF.dat") const { return (dir.path() / name).string(); }
    void Add(std::time_t time, std::uint32_t sent, std::uint32_t received)
    {
        SessionRecord r;
        r.time = time;
        r.bytesSent = sent;
        r.bytesReceived = received;
        ASSERT_TRUE(CTrafficFiles::Append(File(), r));
    }
    TempDir dir;
    EnvGuard sysdir{"BRIVEX_SYSDIR", dir.str()};
};

TEST_F(Traffic, FirstSessionCreatesTheThreeFilesInTheCurdirPrefix)
{
    std::ofstream(dir.path() / "fer_dialer.ini") << "[Curdir]\ndir=" << dir.str() << "/\n";
    CTrafficFiles::AppendSession(1500, 300, 4000);
    for (const char* name : CTrafficFiles::kFiles) {
        const auto records = CTrafficFiles::ReadAll(File(name));
        ASSERT_EQ(records.size(), 1u) << name;
        EXPECT_EQ(records[0].durationMs, 1500u);
        EXPECT_EQ(records[0].bytesSent, 300u);
        EXPECT_EQ(records[0].bytesReceived, 4000u);
    }
    EXPECT_EQ(CTrafficFiles::MonthFile(), File());
}

TEST_F(Traffic, MissingCurdirDirectoryWritesNothing)
{
    std::ofstream(dir.path() / "fer_dialer.ini") << "[Curdir]\ndir=" << dir.str() << "/gone/\n";
    CTrafficFiles::AppendSession(1, 2, 3);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "gone"));
    EXPECT_EQ(CTrafficFiles::SumSince(dir.str() + "/gone/PktFF.dat", 0, CTrafficFiles::Field::Received), 0u);
}

TEST_F(Traffic, MonthBoundaryOfTheSums)
{
    const std::time_t start = CTrafficFiles::MonthStart(LocalTime(2026, 3, 17, 12, 30, 0));
    EXPECT_EQ(start, LocalTime(2026, 3, 1, 0, 0, 0));
    EXPECT_EQ(CTrafficFiles::MonthStart(LocalTime(2026, 1, 1, 0, 0, 0)), LocalTime(2026, 1, 1, 0, 0, 0));
    Add(LocalTime(2026, 2, 28, 23, 59, 59), 1, 10);   // the day before: not counted
    Add(LocalTime(2026, 3, 1, 0, 0, 0), 2, 20);       // exactly the start: counted
    Add(LocalTime(2026, 3, 17, 12, 0, 0), 4, 40);
    EXPECT_EQ(CTrafficFiles::SumSince(File(), start, CTrafficFiles::Field::Received), 60u);
    EXPECT_EQ(CTrafficFiles::SumSince(File(), start, CTrafficFiles::Field::Sent), 6u);
    // Sums past 32 bits do not wrap.
    for (int i = 0; i < 3; ++i)
        Add(start, 0, 0xFFFFFFFFu);
    EXPECT_EQ(CTrafficFiles::SumSince(File(), start, CTrafficFiles::Field::Received), 60u + 3ull * 0xFFFFFFFFull);
}

TEST_F(Traffic, TornFileIsReadToItsLastWholeRecordAndMendedByTheNextAppend)
{
    Add(100, 1, 10);
    Add(200, 2, 20);
    {
        std::ofstream torn(File(), std::ios::app | std::ios::binary);
        torn << "0123456789";  // a crash in the middle of a write
    }
    EXPECT_EQ(std::filesystem::file_size(File()), 58u);
    EXPECT_EQ(CTrafficFiles::SumSince(File(), 0, CTrafficFiles::Field::Received), 30u);
    EXPECT_EQ(CTrafficFiles::ReadAll(File()).size(), 2u);
    Add(300, 3, 30);
    EXPECT_EQ(std::filesystem::file_size(File()), 72u);
    const auto records = CTrafficFiles::ReadAll(File());
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[2].time, 300);
    EXPECT_EQ(records[2].bytesReceived, 30u);
    EXPECT_EQ(CTrafficFiles::SumSince(File(), 0, CTrafficFiles::Field::Received), 60u);
}

TEST_F(Traffic, LimitRule)
{
    struct Case {
        double limit;
        std::uint64_t sum;
        double applied;
        bool megabytes;
        std::int32_t range, position;
        const char* top;
        const char* middle;
    } cases[] = {
        {9.9, 0, 50, false, 50 * 1048576, 0, "50.0", "25.0"},
        {1048577, 0, 50, false, 50 * 1048576, 0, "50.0", "25.0"},
        {10, 20 * 1048576ull, 10, false, 10 * 1048576, 10 * 1048576, "10.0", "5.0"},  // capped at the range
        {1024, 5000, 1024, false, 1024 * 1048576, 5000, "1024.0", "512.0"},
        {1025, 0, 1025, true, 1025, 1, "1025.0", "512.5"},                       // at least 1
        {1048576, 3ull * 1048576, 1048576, true, 1048576, 3, "1048576.0", "524288.0"},
    };
    for (const auto& c : cases) {
        const auto d = CTrafficLimit::Apply(c.limit, c.sum);
        EXPECT_EQ(d.limit, c.applied) << c.limit;
        EXPECT_EQ(d.megabyteBar, c.megabytes) << c.limit;
        EXPECT_EQ(d.rangeMax, c.range) << c.limit;
        EXPECT_EQ(d.position, c.position) << c.limit;
        EXPECT_EQ(d.top, c.top);
        EXPECT_EQ(d.middle, c.middle);
    }
    CTrafficLimit::ApplyAndStore(keys::DownloadMax, 9.9, 0);
    EXPECT_EQ(CConfig::Int(keys::DownloadMax), 50);
    CTrafficLimit::ApplyAndStore(keys::UploadMax, 77.8, 0);
    EXPECT_EQ(CConfig::Text(keys::UploadMax), "77");
}

}  // namespace
}  // namespace brivex::test
