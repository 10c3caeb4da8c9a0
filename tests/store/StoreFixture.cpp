#include "StoreFixture.h"

#include <sqlite3.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace brivex::test {
namespace {

std::string SchemaText()
{
    std::ifstream in(BRIVEX_STORE_SCHEMA);
    if (!in)
        throw std::runtime_error("schema not found: " BRIVEX_STORE_SCHEMA);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void RunSql(const std::filesystem::path& file, const std::string& sql, int flags)
{
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(file.c_str(), &db, flags, nullptr);
    char* error = nullptr;
    const int erc = rc == SQLITE_OK ? sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) : rc;
    const std::string message = error != nullptr ? error : sqlite3_errstr(erc);
    sqlite3_free(error);
    sqlite3_close(db);
    if (erc != SQLITE_OK)
        throw std::runtime_error("sql failed: " + message);
}

}  // namespace

StoreFixture::StoreFixture()
{
    CreateFromSchema(StoreFile());
}

std::filesystem::path StoreFixture::StoreFile() const
{
    return dir / "OVL.MDB";
}

std::filesystem::path StoreFixture::WorkingCopy() const
{
    return dir / "@OVL.MDB";
}

void StoreFixture::CreateFromSchema(const std::filesystem::path& file)
{
    std::filesystem::remove(file);
    RunSql(file, SchemaText(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
}

void StoreFixture::Exec(const std::filesystem::path& file, const std::string& sql)
{
    RunSql(file, sql, SQLITE_OPEN_READWRITE);
}

std::int64_t StoreFixture::CountRows(const std::filesystem::path& file, const std::string& table)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* stmt = nullptr;
    std::int64_t count = -1;
    if (sqlite3_prepare_v2(db, ("SELECT count(*) FROM " + table).c_str(), -1, &stmt, nullptr) == SQLITE_OK
        && sqlite3_step(stmt) == SQLITE_ROW)
        count = sqlite3_column_int64(stmt, 0);
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return count;
}

}  // namespace brivex::test
