// Database files that are missing, locked, corrupt or incomplete: the
// store reports the engine's text and keeps every call record it has.
#include "StoreFixture.h"

#include "app/CConfig.h"
#include "store/CDaoException.h"
#include "store/CDaoPbookDb.h"
#include "store/CDaoSmsDb.h"
#include "store/CDaoVcallDb.h"
#include "store/CHistoryCounter.h"
#include "store/CStoreFiles.h"

#include <sqlite3.h>

#include <fstream>

namespace brivex {
namespace {

using test::StoreFixture;

// Another connection holding a lock on a file until it goes.
class LockHolder {
public:
    LockHolder(const std::filesystem::path& file, const char* begin)
    {
        sqlite3_open_v2(file.c_str(), &m_db, SQLITE_OPEN_READWRITE, nullptr);
        m_ok = sqlite3_exec(m_db, begin, nullptr, nullptr, nullptr) == SQLITE_OK;
        // A write makes the lock a real one even for a deferred begin.
        if (m_ok)
            m_ok = sqlite3_exec(m_db, "UPDATE ferrox_vcall SET name = name WHERE 0", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ~LockHolder()
    {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(m_db);
    }
    bool ok() const { return m_ok; }

private:
    sqlite3* m_db = nullptr;
    bool m_ok = false;
};

class StoreFailureTest : public StoreFixture {
protected:
    void SetUp() override
    {
        Point(vcall, StoreFile());
        Point(sms, StoreFile());
    }

    void WriteFile(const std::filesystem::path& file, const std::string& bytes)
    {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
    }

    std::string OpenError(CDaoRecordset& recordset)
    {
        try {
            recordset.Open();
        } catch (const CDaoException& e) {
            EXPECT_FALSE(recordset.IsOpen());
            return e.Description();
        }
        return "no error";
    }

    CDaoVcallDb::Record Call(const std::string& name)
    {
        return {CDaoVcallDb::kOutgoing, 0, name, "010", "(1/01/2024/Monday-10:00)", "00:00:01"};
    }

    CDaoVcallDb vcall;
    CDaoSmsDb sms;
};

TEST_F(StoreFailureTest, BadFilesGiveTheEnginesText)
{
    struct Case {
        const char* what;
        std::function<void()> spoil;
        const char* description;
    };
    const std::vector<Case> cases = {
        {"missing", [&] { std::filesystem::remove(StoreFile()); }, "unable to open database file"},
        {"garbage", [&] { WriteFile(StoreFile(), std::string(4096, 'G')); }, "file is not a database"},
        {"no table", [&] { Exec(StoreFile(), "DROP TABLE ferrox_vcall;"); }, "no such table: ferrox_vcall"},
        {"a directory", [&] { std::filesystem::remove(StoreFile()); std::filesystem::create_directory(StoreFile()); },
         "unable to open database file"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all(StoreFile());
        CreateFromSchema(StoreFile());
        c.spoil();
        EXPECT_EQ(OpenError(vcall), c.description) << c.what;
        EXPECT_FALSE(vcall.AddCall(Call("x"))) << c.what;
        EXPECT_FALSE(vcall.ListNewest().ok) << c.what;
        EXPECT_EQ(vcall.SeedCounter(), 0) << c.what;
        EXPECT_FALSE(vcall.IsOpen()) << c.what;
    }
}

TEST_F(StoreFailureTest, ALockedFileLosesNoCallRecord)
{
    vcall.SeedCounter();
    ASSERT_TRUE(vcall.AddCall(Call("one")));
    ASSERT_TRUE(vcall.AddCall(Call("two")));
    for (const char* begin : {"BEGIN IMMEDIATE", "BEGIN EXCLUSIVE"}) {
        {
            LockHolder other(StoreFile(), begin);
            ASSERT_TRUE(other.ok()) << begin;
            EXPECT_FALSE(vcall.AddCall(Call("blocked"))) << begin;
            EXPECT_FALSE(vcall.IsOpen());
        }
        EXPECT_EQ(CountRows(StoreFile(), "ferrox_vcall"), 2) << begin;
    }
    // The write lock of the other connection shows as the engine's text.
    {
        LockHolder other(StoreFile(), "BEGIN EXCLUSIVE");
        EXPECT_EQ(OpenError(vcall), "database is locked");
    }
    ASSERT_TRUE(vcall.AddCall(Call("three")));
    vcall.OpenOldestFirst();
    std::string names;
    for (; !vcall.IsEOF(); vcall.MoveNext())
        names += vcall.m_name + " ";
    EXPECT_EQ(names, "one two three ");
}

TEST_F(StoreFailureTest, AFailedTrimDeletesNothing)
{
    std::string sql = "BEGIN;";
    for (int i = 1; i <= 150; ++i)
        sql += "INSERT INTO ferrox_vcall VALUES (1, " + std::to_string(i) + ", '', '', '', '');";
    Exec(StoreFile(), sql + "COMMIT;");
    {
        LockHolder other(StoreFile(), "BEGIN IMMEDIATE");
        const CDaoVcallDb::Listing listing = vcall.ListNewest();
        EXPECT_FALSE(listing.ok);
    }
    EXPECT_EQ(CountRows(StoreFile(), "ferrox_vcall"), 150);
    EXPECT_TRUE(vcall.ListNewest().ok);
    EXPECT_EQ(CountRows(StoreFile(), "ferrox_vcall"), 100);
}

TEST_F(StoreFailureTest, AFailedUpdateCanBeTriedAgain)
{
    vcall.Open();
    vcall.AddNew();
    vcall.m_index = 1;
    vcall.m_name = "kept";
    {
        LockHolder other(StoreFile(), "BEGIN IMMEDIATE");
        try {
            vcall.Update();
            FAIL() << "the write must wait for the lock and give up";
        } catch (const CDaoException& e) {
            EXPECT_EQ(e.Description(), "database is locked");
        }
    }
    EXPECT_EQ(vcall.m_name, "kept");
    vcall.Update();
    vcall.Close();
    EXPECT_EQ(CountRows(StoreFile(), "ferrox_vcall"), 1);
}

class StoreStartTest : public StoreFailureTest {
protected:
    std::optional<std::string> Start()
    {
        sms.Close();
        return CStoreFiles::OpenAtStart(dir.path(), sms, pbook, vcall);
    }
    CDaoPbookDb pbook;
};

TEST_F(StoreStartTest, StartOutcomes)
{
    struct Case {
        const char* what;
        std::function<void()> spoil;
        std::optional<std::string> message;
    };
    const std::vector<Case> cases = {
        {"good", [] {}, std::nullopt},
        {"missing", [&] { std::filesystem::remove(StoreFile()); }, std::string(CStoreFiles::kNoDbFile)},
        {"garbage", [&] { WriteFile(StoreFile(), "not a database at all"); }, std::string("file is not a database")},
        {"no sms table", [&] { Exec(StoreFile(), "DROP TABLE ferrox_sms;"); }, std::string("no such table: ferrox_sms")},
        {"no history table: the counter starts from 0",
         [&] { Exec(StoreFile(), "DROP TABLE ferrox_vcall;"); CHistoryCounter::Set(12); }, std::nullopt},
    };
    for (const Case& c : cases) {
        CreateFromSchema(StoreFile());
        c.spoil();
        EXPECT_EQ(Start(), c.message) << c.what;
        EXPECT_EQ(sms.IsOpen(), !c.message.has_value()) << c.what;
        EXPECT_FALSE(vcall.IsOpen()) << c.what;
        if (!c.message) {
            EXPECT_EQ(CConfig::Text(keys::HistoryNum), "0") << c.what;
            EXPECT_EQ(sms.GetDefaultDBName(), WorkingCopy());
            EXPECT_EQ(pbook.GetDefaultDBName(), WorkingCopy());
            EXPECT_EQ(vcall.GetDefaultDBName(), StoreFile());
        }
    }
}

TEST_F(StoreStartTest, ASecondStartDropsThePhonebookAndKeepsTheHistory)
{
    ASSERT_EQ(Start(), std::nullopt);
    pbook.Open();
    pbook.AddEntries(std::vector<CDaoPbookDb::Entry>{{1, 1, "Kim", "010"}});
    pbook.Close();
    ASSERT_TRUE(vcall.AddCall(Call("kept")));
    // A journal left behind by a crashed run belongs to the old working copy.
    WriteFile(dir / "@OVL.MDB-journal", std::string(1024, 'J'));

    ASSERT_EQ(Start(), std::nullopt);
    EXPECT_FALSE(std::filesystem::exists(dir / "@OVL.MDB-journal"));
    EXPECT_EQ(CountRows(WorkingCopy(), "ferrox_pbook"), 0);
    EXPECT_EQ(CountRows(WorkingCopy(), "ferrox_vcall"), 1);  // the copy carries the store's rows
    EXPECT_EQ(CountRows(StoreFile(), "ferrox_vcall"), 1);
    EXPECT_EQ(CHistoryCounter::Last(), 1);
    EXPECT_EQ(pbook.LookUpName("010"), std::nullopt);
}

TEST_F(StoreStartTest, TheWorkingCopyIsAByteCopyAndNoTemporaryStays)
{
    Exec(StoreFile(), "INSERT INTO ferrox_sms (\"index\") VALUES (393217);");
    ASSERT_TRUE(CStoreFiles::PrepareWorkingCopy(dir.path()));
    std::ifstream a(StoreFile(), std::ios::binary), b(WorkingCopy(), std::ios::binary);
    const std::string store((std::istreambuf_iterator<char>(a)), {}), copy((std::istreambuf_iterator<char>(b)), {});
    EXPECT_EQ(store, copy);
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 2);
}

TEST_F(StoreStartTest, AStoreFileBeingWrittenIsCopiedWhole)
{
    // A writer holding its lock has changed nothing in the file yet: the
    // copy goes ahead with the committed contents.
    {
        LockHolder other(StoreFile(), "BEGIN IMMEDIATE");
        ASSERT_TRUE(CStoreFiles::PrepareWorkingCopy(dir.path()));
    }
    CDaoSmsDb copy;
    Point(copy, WorkingCopy());
    EXPECT_NO_THROW(copy.Open());
}

TEST(BuiltStoreFileTest, TheBuildMakesTheThreeEmptyTables)
{
    const char* build = std::getenv("BRIVEX_BUILD_DIR");
    if (build == nullptr)
        GTEST_SKIP() << "BRIVEX_BUILD_DIR not set";
    const std::filesystem::path file = std::filesystem::path(build) / "bin" / "OVL" / "OVL.MDB";
    ASSERT_TRUE(std::filesystem::exists(file)) << file;
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    const std::vector<std::pair<const char*, const char*>> expected = {
        {"ferrox_pbook", "storage_type INTEGER,index INTEGER,name TEXT,phone_number TEXT,"},
        {"ferrox_sms", "index INTEGER,tag_type REAL,time REAL,cb_number TEXT,new_flag INTEGER,encoding INTEGER,"
                       "message BLOB,"},
        {"ferrox_vcall", "storage_type INTEGER,index INTEGER,name TEXT,phone_number TEXT,time TEXT,call_time TEXT,"},
    };
    for (const auto& [table, columns] : expected) {
        sqlite3_stmt* stmt = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(db, (std::string("PRAGMA table_info(") + table + ")").c_str(), -1, &stmt, nullptr),
                  SQLITE_OK);
        std::string got;
        while (sqlite3_step(stmt) == SQLITE_ROW)
            got += std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1))) + " "
                   + reinterpret_cast<const char*>(sqlite3_column_text(stmt, 2)) + ",";
        sqlite3_finalize(stmt);
        EXPECT_EQ(got, columns) << table;
        EXPECT_EQ(test::StoreFixture::CountRows(file, table), 0);
    }
    sqlite3_close(db);
}

}  // namespace
}  // namespace brivex
