// The recordset operations every record class shares, shown on the phonebook.
#include "StoreFixture.h"

#include "store/CDaoException.h"
#include "store/CDaoPbookDb.h"

#include <limits>

namespace brivex {
namespace {

using test::StoreFixture;

class RecordsetTest : public StoreFixture {
protected:
    void SetUp() override
    {
        Exec(StoreFile(), "INSERT INTO ferrox_pbook VALUES (1, 3, 'Cy', '333'), (1, 1, 'Al', '111'),"
                          " (2, 2, 'Bo', '222');");
        Point(pbook, StoreFile());
    }

    std::string Names()
    {
        std::string names;
        for (pbook.MoveFirst(); !pbook.IsEOF(); pbook.MoveNext())
            names += pbook.m_name + " ";
        return names;
    }

    CDaoPbookDb pbook;
};

TEST_F(RecordsetTest, MovesThroughTheRowsInTableOrder)
{
    pbook.Open();
    ASSERT_TRUE(pbook.IsOpen());
    EXPECT_EQ(pbook.GetRecordCount(), 3);
    EXPECT_FALSE(pbook.IsBOF());
    EXPECT_EQ(pbook.m_name, "Cy");  // an open recordset stands on its first row
    EXPECT_EQ(pbook.m_index, 3);
    EXPECT_EQ(pbook.m_phone_number, "333");
    pbook.MoveNext();
    EXPECT_EQ(pbook.m_name, "Al");
    pbook.MoveLast();
    EXPECT_EQ(pbook.m_name, "Bo");
    EXPECT_EQ(pbook.m_storage_type, 2);
    pbook.MoveNext();
    EXPECT_TRUE(pbook.IsEOF());
    EXPECT_THROW(pbook.MoveNext(), CDaoException);
    pbook.MovePrev();
    EXPECT_EQ(pbook.m_name, "Bo");
    pbook.MoveFirst();
    pbook.MovePrev();
    EXPECT_TRUE(pbook.IsBOF());
    EXPECT_THROW(pbook.MovePrev(), CDaoException);
    pbook.Close();
    EXPECT_FALSE(pbook.IsOpen());
}

TEST_F(RecordsetTest, AnEmptyResultIsAtBothEndsAndHasNoFirstRow)
{
    pbook.OpenStorage(7);
    EXPECT_TRUE(pbook.IsEOF());
    EXPECT_TRUE(pbook.IsBOF());
    try {
        pbook.MoveFirst();
        FAIL() << "move-first on an empty result must fail";
    } catch (const CDaoException& e) {
        EXPECT_EQ(e.Description(), "No current record.");
    }
    EXPECT_THROW(pbook.Edit(), CDaoException);
    EXPECT_THROW(pbook.Delete(), CDaoException);
}

TEST_F(RecordsetTest, AddEditAndDeleteWriteThroughToTheFile)
{
    pbook.Open();
    pbook.AddNew();
    EXPECT_EQ(pbook.m_name, "");  // AddNew starts from empty members
    pbook.m_storage_type = 1;
    pbook.m_index = 4;
    pbook.m_name = "Di";
    pbook.m_phone_number = "444";
    pbook.Update();
    EXPECT_EQ(pbook.GetRecordCount(), 4);
    EXPECT_EQ(pbook.m_name, "Cy");  // still on the row it stood on

    pbook.MoveNext();  // Al
    pbook.Edit();
    pbook.m_name = "Alf";
    pbook.Update();
    pbook.MoveNext();  // Bo
    pbook.Delete();
    EXPECT_EQ(pbook.GetRecordCount(), 3);
    pbook.MoveNext();  // after a delete the next move goes on from there
    EXPECT_EQ(pbook.m_name, "Di");
    EXPECT_EQ(Names(), "Cy Alf Di ");
    pbook.Close();

    pbook.Open();
    EXPECT_EQ(Names(), "Cy Alf Di ");
    EXPECT_EQ(CountRows(StoreFile(), "ferrox_pbook"), 3);
}

TEST_F(RecordsetTest, MisuseIsAnErrorNotACrash)
{
    EXPECT_THROW(pbook.MoveFirst(), CDaoException);  // not open
    EXPECT_THROW(pbook.AddNew(), CDaoException);
    CDaoPbookDb noPath;  // an empty name must not become a scratch database
    EXPECT_THROW(noPath.Open(), CDaoException);
    pbook.Open();
    EXPECT_THROW(pbook.Open(), CDaoException);  // already open
    EXPECT_THROW(pbook.Update(), CDaoException);  // no AddNew or Edit
    EXPECT_THROW(pbook.FindFirst("no_such_column", std::int64_t{1}), CDaoException);
    EXPECT_TRUE(pbook.IsOpen());
}

TEST_F(RecordsetTest, FindFirstMovesOnlyWhenItFinds)
{
    pbook.Open();
    pbook.MoveLast();
    EXPECT_FALSE(pbook.FindFirst("index", std::int64_t{9}));
    EXPECT_EQ(pbook.m_name, "Bo");
    EXPECT_TRUE(pbook.FindFirst("name", std::string("al")));
    EXPECT_EQ(pbook.m_index, 1);
    EXPECT_TRUE(pbook.FindFirst("index", 2.0));
    EXPECT_EQ(pbook.m_name, "Bo");
}

TEST_F(RecordsetTest, ATransactionKeepsAllOrNone)
{
    pbook.Open();
    pbook.BeginTrans();
    for (int i = 10; i < 13; ++i) {
        pbook.AddNew();
        pbook.m_index = i;
        pbook.Update();
    }
    pbook.Rollback();
    EXPECT_EQ(pbook.GetRecordCount(), 3);
    EXPECT_EQ(CountRows(StoreFile(), "ferrox_pbook"), 3);

    pbook.BeginTrans();
    pbook.AddNew();
    pbook.m_index = 20;
    pbook.Update();
    pbook.CommitTrans();
    EXPECT_EQ(CountRows(StoreFile(), "ferrox_pbook"), 4);

    // Closing in the middle of a transaction gives it up.
    pbook.BeginTrans();
    pbook.AddNew();
    pbook.Update();
    pbook.Close();
    EXPECT_EQ(CountRows(StoreFile(), "ferrox_pbook"), 4);
}

TEST_F(RecordsetTest, ValuesOfTheWrongKindLoadAsTheNearestMemberValue)
{
    Exec(StoreFile(), "DELETE FROM ferrox_pbook;"
                      "INSERT INTO ferrox_pbook VALUES ('abc', 99999999999, NULL, x'00ff41');"
                      "INSERT INTO ferrox_pbook VALUES (-1e300, '12', 7, NULL);");
    pbook.Open();
    EXPECT_EQ(pbook.m_storage_type, 0);
    EXPECT_EQ(pbook.m_index, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(pbook.m_name, "");
    EXPECT_EQ(pbook.m_phone_number, std::string("\0\xff" "A", 3));
    pbook.MoveNext();
    EXPECT_EQ(pbook.m_storage_type, std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(pbook.m_index, 12);
    EXPECT_EQ(pbook.m_name, "7");
    EXPECT_EQ(pbook.m_phone_number, "");
}

}  // namespace
}  // namespace brivex
