#pragma once

#include "support/EnvGuard.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace brivex::test {

// A scratch directory holding a fresh store file made from the build's
// schema, and the profile directory pointed at it, for each test.
class StoreFixture : public ::testing::Test {
public:
    // A database file made from the schema (replacing any file there).
    static void CreateFromSchema(const std::filesystem::path& file);
    // Runs fixed SQL on a file through a connection of its own.
    static void Exec(const std::filesystem::path& file, const std::string& sql);
    static std::int64_t CountRows(const std::filesystem::path& file, const std::string& table);

protected:
    StoreFixture();

    std::filesystem::path StoreFile() const;
    std::filesystem::path WorkingCopy() const;

    // Short waits for a locked file, so a lock test fails fast.
    template <class Recordset>
    Recordset& Point(Recordset& recordset, const std::filesystem::path& file)
    {
        recordset.SetDatabasePath(file);
        recordset.SetBusyTimeout(kShortBusyMs);
        return recordset;
    }

    static constexpr int kShortBusyMs = 20;

    TempDir dir;
    EnvGuard sysdir{"BRIVEX_SYSDIR", dir.str()};
};

}  // namespace brivex::test
