#include "StoreFixture.h"

#include "store/CDaoException.h"
#include "store/CDaoPbookDb.h"

#include <functional>
#include <vector>

namespace brivex {
namespace {

using test::StoreFixture;

class PbookDbTest : public StoreFixture {
protected:
    void SetUp() override
    {
        Point(pbook, WorkingCopy());
        CreateFromSchema(WorkingCopy());
        Exec(WorkingCopy(), R"(INSERT INTO ferrox_pbook VALUES
            (1, 5, 'Kim', '0105550001'),
            (1, 2, 'a[b club', '0105550002'),
            (1, 9, 'O''Neil', '0105550003'),
            (1, 3, '50% off', '0105550004'),
            (1, 4, 'a_b', '0105550005'),
            (1, 7, 'star*man', '01*9'),
            (1, 8, 'axb', '0105550008'),
            (2, 1, 'Kim card', '0105550001'),
            (1, 6, 'plain', '0105550006');)");
    }

    // The indexes of the rows, in the order of the result; the recordset is closed.
    std::vector<int> Indexes()
    {
        std::vector<int> out;
        for (; !pbook.IsEOF(); pbook.MoveNext())
            out.push_back(pbook.m_index);
        pbook.Close();
        return out;
    }

    CDaoPbookDb pbook;
};

TEST_F(PbookDbTest, TheListingHoldsOneStorageByIndex)
{
    pbook.OpenStorage(CDaoPbookDb::kMemory);
    EXPECT_EQ(Indexes(), (std::vector<int>{2, 3, 4, 5, 6, 7, 8, 9}));
    pbook.OpenStorage(CDaoPbookDb::kRuim);
    EXPECT_EQ(Indexes(), (std::vector<int>{1}));
    pbook.OpenNewestFirst();
    EXPECT_EQ(Indexes(), (std::vector<int>{9, 8, 7, 6, 5, 4, 3, 2, 1}));
}

struct SearchCase {
    const char* what;
    std::function<void(CDaoPbookDb&)> open;
    std::vector<int> indexes;
};

TEST_F(PbookDbTest, SearchesMatchTheTypedTextLiterally)
{
    const std::vector<SearchCase> cases = {
        {"name with a bracket", [](CDaoPbookDb& p) { p.OpenSearchName("a[b", 1); }, {2}},
        {"a quote is a character", [](CDaoPbookDb& p) { p.OpenSearchName("o'n", 1); }, {9}},
        {"percent is no wildcard", [](CDaoPbookDb& p) { p.OpenSearchName("0%", 1); }, {3}},
        {"underscore is no wildcard", [](CDaoPbookDb& p) { p.OpenSearchName("a_b", 1); }, {4}},
        {"star is no wildcard", [](CDaoPbookDb& p) { p.OpenSearchName("r*m", 1); }, {7}},
        {"question mark is no wildcard", [](CDaoPbookDb& p) { p.OpenSearchName("a?b", 1); }, {}},
        {"case does not count", [](CDaoPbookDb& p) { p.OpenSearchName("KIM", 1); }, {5}},
        {"the storage restricts", [](CDaoPbookDb& p) { p.OpenSearchName("kim", 2); }, {1}},
        {"number contains", [](CDaoPbookDb& p) { p.OpenSearchNumber("5550001", 1); }, {5}},
        {"number with a star", [](CDaoPbookDb& p) { p.OpenSearchNumber("1*9", 1); }, {7}},
        {"all fields: number or name", [](CDaoPbookDb& p) { p.OpenSearchAll(1, "00"); },
         {2, 3, 4, 5, 6, 8, 9}},
        {"all fields: name only", [](CDaoPbookDb& p) { p.OpenSearchAll(1, "kim"); }, {5}},
        {"empty text finds every row of the storage", [](CDaoPbookDb& p) { p.OpenSearchAll(2, ""); }, {1}},
        {"index as typed", [](CDaoPbookDb& p) { p.OpenSearchIndex(" 7 ", 1); }, {7}},
        {"index in the other storage", [](CDaoPbookDb& p) { p.OpenSearchIndex("1", 1); }, {}},
        {"entry by number", [](CDaoPbookDb& p) { p.OpenEntry(4, 1); }, {4}},
        {"entry by index text", [](CDaoPbookDb& p) { p.OpenEntry("8", 1); }, {8}},
        {"exact number", [](CDaoPbookDb& p) { p.OpenNumber("0105550001"); }, {5, 1}},
        {"exact number, no part of it", [](CDaoPbookDb& p) { p.OpenNumber("010555000"); }, {}},
        {"a quote in a number", [](CDaoPbookDb& p) { p.OpenNumber("1' OR '1'='1"); }, {}},
    };
    for (const SearchCase& c : cases) {
        c.open(pbook);
        EXPECT_EQ(Indexes(), c.indexes) << c.what;
    }
}

TEST_F(PbookDbTest, AnIndexTextThatIsNoNumberIsADatabaseError)
{
    for (const char* text : {"12a", "", " ", "1 2", "0x10", "--1", "."}) {
        try {
            pbook.OpenSearchIndex(text, 1);
            ADD_FAILURE() << "no error for \"" << text << "\"";
        } catch (const CDaoException& e) {
            EXPECT_NE(e.Description().find("unrecognized token"), std::string::npos) << text;
        }
        EXPECT_FALSE(pbook.IsOpen());
        EXPECT_THROW(pbook.OpenEntry(std::string_view(text), 1), CDaoException) << text;
    }
    pbook.OpenSearchIndex("+5.0", 1);  // a number in another spelling is still a number
    EXPECT_EQ(Indexes(), (std::vector<int>{5}));
}

TEST_F(PbookDbTest, ABlockOfEntriesIsStoredInOneTransaction)
{
    Exec(WorkingCopy(), "DELETE FROM ferrox_pbook;");
    pbook.Open();
    const std::vector<CDaoPbookDb::Entry> block = {
        {1, 1, "one", "111"}, {1, 2, "two", "222"}, {2, 3, "three", "333"}};
    pbook.AddEntries(block);
    EXPECT_EQ(CountRows(WorkingCopy(), "ferrox_pbook"), 3);

    // A row the table refuses (a name past 255 bytes) takes its whole block with it.
    const std::vector<CDaoPbookDb::Entry> bad = {{1, 4, "four", "444"}, {1, 5, std::string(300, 'x'), "555"}};
    try {
        pbook.AddEntries(bad);
        FAIL() << "an over-long name must be refused";
    } catch (const CDaoException& e) {
        EXPECT_NE(e.Description().find("CHECK constraint failed"), std::string::npos) << e.Description();
    }
    EXPECT_EQ(CountRows(WorkingCopy(), "ferrox_pbook"), 3);
    EXPECT_EQ(pbook.GetRecordCount(), 3);
    pbook.Close();
}

TEST_F(PbookDbTest, LookUpNameFindsTheFirstEntryForANumber)
{
    EXPECT_EQ(pbook.LookUpName("0105550001"), "Kim");
    EXPECT_FALSE(pbook.IsOpen());
    EXPECT_EQ(pbook.LookUpName("999"), std::nullopt);
    EXPECT_FALSE(pbook.IsOpen());

    // Busy: another operation holds the recordset open; it stays open.
    pbook.OpenStorage(1);
    EXPECT_EQ(pbook.LookUpName("0105550001"), std::nullopt);
    EXPECT_TRUE(pbook.IsOpen());
}

TEST_F(PbookDbTest, EmptyMirrorDeletesEveryEntry)
{
    EXPECT_TRUE(pbook.EmptyMirror());
    EXPECT_EQ(CountRows(WorkingCopy(), "ferrox_pbook"), 0);
    EXPECT_FALSE(pbook.IsOpen());
}

}  // namespace
}  // namespace brivex
