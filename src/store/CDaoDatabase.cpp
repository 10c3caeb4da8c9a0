#include "store/CDaoDatabase.h"

#include "store/CDaoException.h"
#include "store/CJetPattern.h"

#include <sqlite3.h>

#include <string_view>

namespace brivex {
namespace {

std::string_view ValueText(sqlite3_value* value)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
    const int size = sqlite3_value_bytes(value);
    return text != nullptr ? std::string_view(text, static_cast<std::size_t>(size)) : std::string_view();
}

// jet_like(pattern, value): 1 or 0, null for a null value.
void JetLike(sqlite3_context* context, int, sqlite3_value** args)
{
    if (sqlite3_value_type(args[0]) == SQLITE_NULL || sqlite3_value_type(args[1]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    // The compiled pattern stays with the statement while its parameter does.
    if (const auto* kept = static_cast<const CJetPattern*>(sqlite3_get_auxdata(context, 0))) {
        sqlite3_result_int(context, kept->Matches(ValueText(args[1])) ? 1 : 0);
        return;
    }
    auto pattern = CJetPattern::Compile(ValueText(args[0]));
    if (!pattern) {
        sqlite3_result_error(context, "invalid pattern string", -1);
        return;
    }
    sqlite3_result_int(context, pattern->Matches(ValueText(args[1])) ? 1 : 0);
    sqlite3_set_auxdata(context, 0, new CJetPattern(std::move(*pattern)),
                        [](void* p) { delete static_cast<CJetPattern*>(p); });
}

}  // namespace

CDaoDatabase::CDaoDatabase(const std::filesystem::path& file, int busyTimeoutMs, Sync sync)
{
    // An empty name would give a private temporary database instead of an error.
    if (file.empty())
        throw CDaoException(sqlite3_errstr(SQLITE_CANTOPEN), SQLITE_CANTOPEN);
    const int rc = sqlite3_open_v2(file.c_str(), &m_db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        CDaoException error = CDaoException::FromEngine(m_db, rc);
        sqlite3_close(m_db);
        throw error;
    }
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, busyTimeoutMs);
    const int frc = sqlite3_create_function_v2(m_db, "jet_like", 2,
                                               SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                                               JetLike, nullptr, nullptr, nullptr);
    if (frc != SQLITE_OK) {
        CDaoException error = CDaoException::FromEngine(m_db, frc);
        sqlite3_close(m_db);
        throw error;
    }
    try {
        if (sync == Sync::Full) {
            Execute("PRAGMA synchronous = FULL");
        } else {
            // The journal file is kept between transactions rather than made
            // and removed for each: the phonebook's blocks come ten at a time.
            Execute("PRAGMA synchronous = OFF");
            Execute("PRAGMA journal_mode = PERSIST");
        }
    } catch (...) {
        sqlite3_close(m_db);
        throw;
    }
}

CDaoDatabase::~CDaoDatabase()
{
    // Every statement of the connection is finalised by its owner first.
    sqlite3_close(m_db);
}

CDaoStatement CDaoDatabase::Prepare(std::string_view sql) const
{
    return CDaoStatement(m_db, sql);
}

void CDaoDatabase::Execute(std::string_view sql) const
{
    Prepare(sql).Run();
}

void CDaoDatabase::BeginTrans() const
{
    Execute("BEGIN IMMEDIATE");
}

void CDaoDatabase::CommitTrans() const
{
    Execute("COMMIT");
}

void CDaoDatabase::Rollback() const
{
    if (InTransaction())
        Execute("ROLLBACK");
}

bool CDaoDatabase::InTransaction() const
{
    return sqlite3_get_autocommit(m_db) == 0;
}

std::int64_t CDaoDatabase::LastInsertRowId() const
{
    return sqlite3_last_insert_rowid(m_db);
}

int CDaoDatabase::Changes() const
{
    return sqlite3_changes(m_db);
}

}  // namespace brivex
