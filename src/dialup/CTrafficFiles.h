#pragma once

#include "dialup/SessionRecord.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace brivex {

// The three traffic files "PktFF.dat", "PktMF.dat" and "PktLF.dat" in the
// [Curdir] dir prefix: one session record appended to each per session with
// received traffic; "PktFF.dat" is read for the month sums. A file whose
// length is not a whole number of records (a write torn by a crash) is read
// up to its last whole record, and the next append writes at that boundary.
class CTrafficFiles {
public:
    static constexpr const char* kFiles[3] = {"PktFF.dat", "PktMF.dat", "PktLF.dat"};
    enum class Field { Received, Sent };

    // Appends the session to the three files in order (the time taken for
    // each file as it is written); the prefix is [Curdir] dir when not given.
    static void AppendSession(std::uint32_t durationMs, std::uint32_t bytesSent, std::uint32_t bytesReceived);
    static void AppendSession(const std::string& prefix, std::uint32_t durationMs, std::uint32_t bytesSent,
                              std::uint32_t bytesReceived);
    // Appends one record to one file; false when it could not be written.
    static bool Append(const std::string& path, const SessionRecord& record);

    // The sum of one field over the records whose time is not before start; 0 when unreadable.
    static std::uint64_t SumSince(const std::string& path, std::int64_t start, Field field);
    // "PktFF.dat" in the [Curdir] prefix.
    static std::string MonthFile();
    // The whole records of a file (for tests and tools).
    static std::vector<SessionRecord> ReadAll(const std::string& path);

    // The first day of now's month at 00:00:00 local time.
    static std::time_t MonthStart(std::time_t now);
};

}  // namespace brivex
