#include "store/CDaoException.h"

#include <sqlite3.h>

namespace brivex {

CDaoException::CDaoException(const std::string& description, int code)
    : std::runtime_error(description), m_description(description), m_code(code)
{
}

CDaoException CDaoException::FromEngine(sqlite3* db, int code)
{
    const char* text = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(code);
    const int extended = db != nullptr ? sqlite3_extended_errcode(db) : code;
    return CDaoException(text != nullptr ? text : "database error", extended);
}

}  // namespace brivex
