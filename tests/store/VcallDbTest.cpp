#include "StoreFixture.h"

#include "app/CConfig.h"
#include "store/CDaoException.h"
#include "store/CDaoVcallDb.h"
#include "store/CHistoryCounter.h"

#include <string>
#include <vector>

namespace brivex {
namespace {

using test::StoreFixture;

class VcallDbTest : public StoreFixture {
protected:
    void SetUp() override { Point(vcall, StoreFile()); }

    // Rows with the given indexes, named after them ("n<index>").
    void AddRows(const std::vector<long>& indexes)
    {
        std::string sql = "BEGIN;";
        for (long i : indexes)
            sql += "INSERT INTO ferrox_vcall VALUES (2, " + std::to_string(i) + ", 'n" + std::to_string(i)
                   + "', '010', '(1/01/2024/Monday-10:00)', '00:00:10');";
        Exec(StoreFile(), sql + "COMMIT;");
    }

    static CDaoVcallDb::Record Call(const std::string& name)
    {
        return {CDaoVcallDb::kIncoming, 0, name, "0105550001", "(3/02/2024/Saturday-09:05)", "00:01:30"};
    }

    // Names of the rows in ascending index order, with their indexes.
    std::vector<std::string> Stored()
    {
        std::vector<std::string> out;
        vcall.OpenOldestFirst();
        for (; !vcall.IsEOF(); vcall.MoveNext())
            out.push_back(std::to_string(vcall.m_index) + ":" + vcall.m_name);
        vcall.Close();
        return out;
    }

    CDaoVcallDb vcall;
};

TEST_F(VcallDbTest, TheFirstCallAfterAnEmptyHistoryGetsIndexOne)
{
    CConfig::WriteInt(keys::HistoryNum, 77);  // left from another store file
    EXPECT_EQ(vcall.SeedCounter(), 0);
    EXPECT_EQ(CConfig::Text(keys::HistoryNum), "0");
    ASSERT_TRUE(vcall.AddCall(Call("first")));
    ASSERT_TRUE(vcall.AddCall(Call("second")));
    EXPECT_EQ(Stored(), (std::vector<std::string>{"1:first", "2:second"}));
    EXPECT_EQ(CHistoryCounter::Last(), 2);

    vcall.OpenNewestFirst();
    EXPECT_EQ(vcall.m_storage_type, CDaoVcallDb::kIncoming);
    EXPECT_EQ(vcall.m_phone_number, "0105550001");
    EXPECT_EQ(vcall.m_time, "(3/02/2024/Saturday-09:05)");
    EXPECT_EQ(vcall.m_call_time, "00:01:30");
}

TEST_F(VcallDbTest, TheCounterIsSeededFromTheNewestRecord)
{
    AddRows({3, 42, 7});
    EXPECT_EQ(vcall.SeedCounter(), 42);
    ASSERT_TRUE(vcall.AddCall(Call("next")));
    EXPECT_EQ(Stored().back(), "43:next");
}

TEST_F(VcallDbTest, TheHistoryTabListsAndKeepsTheHundredNewest)
{
    std::vector<long> indexes;
    for (long i = 1; i <= 150; ++i)
        indexes.push_back(i);
    AddRows(indexes);
    const CDaoVcallDb::Listing listing = vcall.ListNewest();
    ASSERT_TRUE(listing.ok);
    ASSERT_EQ(listing.rows.size(), 100u);
    EXPECT_EQ(listing.rows.front().index, 150);
    EXPECT_EQ(listing.rows.back().index, 51);
    EXPECT_EQ(listing.rows.front().name, "n150");
    EXPECT_EQ(CountRows(StoreFile(), "ferrox_vcall"), 100);
    EXPECT_EQ(Stored().front(), "51:n51");
    EXPECT_FALSE(vcall.IsOpen());
}

struct RenumberCase {
    std::vector<long> indexes;
    bool renumbered;
};

TEST_F(VcallDbTest, ANewestIndexPastTheCounterRenumbersOldestFirst)
{
    const std::vector<RenumberCase> cases = {
        {{5, 99999, 12}, false},
        {{5, 100000, 12}, true},
        {{1000001, 70, 999999}, true},
    };
    for (const RenumberCase& c : cases) {
        Exec(StoreFile(), "DELETE FROM ferrox_vcall;");
        CHistoryCounter::Set(0);
        AddRows(c.indexes);
        const CDaoVcallDb::Listing listing = vcall.ListNewest();
        ASSERT_TRUE(listing.ok);
        ASSERT_EQ(listing.rows.size(), 3u);
        const std::vector<std::string> stored = Stored();
        if (c.renumbered) {
            EXPECT_EQ(CHistoryCounter::Last(), 3);
            for (int i = 0; i < 3; ++i)
                EXPECT_EQ(stored[static_cast<std::size_t>(i)].substr(0, 2), std::to_string(i + 1) + ":");
            // The rows handed to the view carry the numbers the store now holds.
            EXPECT_EQ(listing.rows[0].index, 3);
            EXPECT_EQ(listing.rows[2].index, 1);
            EXPECT_EQ(stored[2], "3:" + listing.rows[0].name);
        } else {
            EXPECT_EQ(listing.rows[0].index, 99999);
            EXPECT_EQ(stored.front(), "5:n5");
        }
    }
}

TEST_F(VcallDbTest, ACallThatWouldPassTheCounterRenumbersFirst)
{
    AddRows({99998, 99999});
    vcall.SeedCounter();
    ASSERT_TRUE(vcall.AddCall(Call("late")));
    EXPECT_EQ(Stored(), (std::vector<std::string>{"1:n99998", "2:n99999", "3:late"}));
    EXPECT_EQ(CHistoryCounter::Last(), 3);
}

TEST_F(VcallDbTest, SearchesAndOneRecordByIndex)
{
    Exec(StoreFile(), "INSERT INTO ferrox_vcall VALUES (1, 1, 'Kim', '0101', '', ''), (2, 2, 'Lee', '0102', '', ''),"
                      " (3, 3, 'kimberly', '0999', '', ''), (1, 4, '', 'Unknown', '', '');");
    auto names = [&] {
        std::string out;
        for (; !vcall.IsEOF(); vcall.MoveNext())
            out += std::to_string(vcall.m_index);
        vcall.Close();
        return out;
    };
    vcall.OpenSearchAll("01");
    EXPECT_EQ(names(), "12");
    vcall.OpenSearchAll("kim");
    EXPECT_EQ(names(), "13");
    vcall.OpenSearchName("kim");
    EXPECT_EQ(names(), "31");
    vcall.OpenSearchNumber("0");
    EXPECT_EQ(names(), "321");
    vcall.OpenEntry("3");
    EXPECT_EQ(names(), "3");
    EXPECT_THROW(vcall.OpenEntry("3'"), CDaoException);
}

TEST_F(VcallDbTest, DeleteAllEmptiesTheHistoryAndTheCounter)
{
    AddRows({1, 2, 3});
    CHistoryCounter::Set(3);
    vcall.OpenNewestFirst();
    EXPECT_FALSE(vcall.DeleteAllCalls());  // busy: the recordset is open
    vcall.Close();
    EXPECT_TRUE(vcall.DeleteAllCalls());
    EXPECT_EQ(CountRows(StoreFile(), "ferrox_vcall"), 0);
    EXPECT_EQ(CConfig::Text(keys::HistoryNum), "0");
}

}  // namespace
}  // namespace brivex
