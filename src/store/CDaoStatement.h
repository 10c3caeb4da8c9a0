#pragma once

#include "store/CDaoValue.h"

#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace brivex {

// One prepared statement. Values only ever reach the engine through bound
// parameters; the statement text itself is always the program's own.
class CDaoStatement {
public:
    CDaoStatement(sqlite3* db, std::string_view sql);
    ~CDaoStatement();
    CDaoStatement(CDaoStatement&& other) noexcept;
    CDaoStatement& operator=(CDaoStatement&& other) noexcept;
    CDaoStatement(const CDaoStatement&) = delete;
    CDaoStatement& operator=(const CDaoStatement&) = delete;

    // Parameters are numbered from 1.
    void Bind(int position, const CDaoValue& value);
    void BindAll(const std::vector<CDaoValue>& values);

    // True while a row is there to read, false when the statement is done.
    bool Step();
    // Ready for the next run, bindings cleared.
    void Reset();
    // Runs a statement that returns no rows, then resets it.
    void Run();

    int ColumnCount() const;
    CDaoValue Column(int column) const;
    std::int64_t ColumnInt64(int column) const;

private:
    [[noreturn]] void Fail(int code);

    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
};

}  // namespace brivex
