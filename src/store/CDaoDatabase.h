#pragma once

#include "store/CDaoStatement.h"

#include <cstdint>
#include <filesystem>
#include <string_view>

struct sqlite3;

namespace brivex {

// One connection to a database file that already exists (the store never
// creates a database). It waits up to the busy time-out for another
// connection's lock, offers the "like" matching of CJetPattern to its
// statements as jet_like(pattern, value), and runs transactions.
class CDaoDatabase {
public:
    static constexpr int kDefaultBusyTimeoutMs = 1000;

    // Full: every commit reaches the disk before it returns (the call history).
    // Off: the engine leaves flushing to the system (the working copy, which the
    // next start replaces anyway).
    enum class Sync { Full, Off };

    CDaoDatabase(const std::filesystem::path& file, int busyTimeoutMs, Sync sync);
    ~CDaoDatabase();
    CDaoDatabase(const CDaoDatabase&) = delete;
    CDaoDatabase& operator=(const CDaoDatabase&) = delete;

    CDaoStatement Prepare(std::string_view sql) const;
    // For the program's fixed statements without values.
    void Execute(std::string_view sql) const;

    // Takes the write lock at once, so a busy file fails here and not half-way.
    void BeginTrans() const;
    void CommitTrans() const;
    void Rollback() const;
    bool InTransaction() const;

    std::int64_t LastInsertRowId() const;
    int Changes() const;

private:
    sqlite3* m_db = nullptr;
};

}  // namespace brivex
