#include "store/CDaoStatement.h"

#include "store/CDaoException.h"

#include <sqlite3.h>

#include <climits>
#include <utility>

namespace brivex {

CDaoStatement::CDaoStatement(sqlite3* db, std::string_view sql) : m_db(db)
{
    if (sql.size() > INT_MAX)
        throw CDaoException("statement too long");
    const int rc = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &m_stmt, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        throw CDaoException::FromEngine(db, rc);
    }
}

CDaoStatement::~CDaoStatement()
{
    sqlite3_finalize(m_stmt);
}

CDaoStatement::CDaoStatement(CDaoStatement&& other) noexcept
    : m_db(std::exchange(other.m_db, nullptr)), m_stmt(std::exchange(other.m_stmt, nullptr))
{
}

CDaoStatement& CDaoStatement::operator=(CDaoStatement&& other) noexcept
{
    if (this != &other) {
        sqlite3_finalize(m_stmt);
        m_db = std::exchange(other.m_db, nullptr);
        m_stmt = std::exchange(other.m_stmt, nullptr);
    }
    return *this;
}

void CDaoStatement::Fail(int code)
{
    // The message is taken before the reset, which would replace it.
    CDaoException error = CDaoException::FromEngine(m_db, code);
    sqlite3_reset(m_stmt);
    throw error;
}

void CDaoStatement::Bind(int position, const CDaoValue& value)
{
    int rc = SQLITE_OK;
    if (std::holds_alternative<std::monostate>(value)) {
        rc = sqlite3_bind_null(m_stmt, position);
    } else if (const auto* i = std::get_if<std::int64_t>(&value)) {
        rc = sqlite3_bind_int64(m_stmt, position, *i);
    } else if (const auto* d = std::get_if<double>(&value)) {
        rc = sqlite3_bind_double(m_stmt, position, *d);
    } else if (const auto* s = std::get_if<std::string>(&value)) {
        rc = sqlite3_bind_text64(m_stmt, position, s->data(), s->size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    } else if (const auto* b = std::get_if<std::vector<std::uint8_t>>(&value)) {
        rc = sqlite3_bind_blob64(m_stmt, position, b->data(), b->size(), SQLITE_TRANSIENT);
    }
    if (rc != SQLITE_OK)
        Fail(rc);
}

void CDaoStatement::BindAll(const std::vector<CDaoValue>& values)
{
    for (std::size_t i = 0; i < values.size(); ++i)
        Bind(static_cast<int>(i + 1), values[i]);
}

bool CDaoStatement::Step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    Fail(rc);
}

void CDaoStatement::Reset()
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

void CDaoStatement::Run()
{
    while (Step()) {
    }
    Reset();
}

int CDaoStatement::ColumnCount() const
{
    return sqlite3_column_count(m_stmt);
}

CDaoValue CDaoStatement::Column(int column) const
{
    switch (sqlite3_column_type(m_stmt, column)) {
    case SQLITE_INTEGER:
        return static_cast<std::int64_t>(sqlite3_column_int64(m_stmt, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(m_stmt, column);
    case SQLITE_TEXT: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
        const int size = sqlite3_column_bytes(m_stmt, column);
        return std::string(text != nullptr ? text : "", text != nullptr ? static_cast<std::size_t>(size) : 0);
    }
    case SQLITE_BLOB: {
        const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(m_stmt, column));
        const int size = sqlite3_column_bytes(m_stmt, column);
        if (bytes == nullptr)
            return std::vector<std::uint8_t>();
        return std::vector<std::uint8_t>(bytes, bytes + size);
    }
    default:
        return std::monostate{};
    }
}

std::int64_t CDaoStatement::ColumnInt64(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

}  // namespace brivex
