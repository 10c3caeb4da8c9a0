#pragma once

#include <atomic>
#include <cstdint>
#include <ctime>

namespace brivex {

// The live traffic counters of the running session. The connection thread
// writes them, the settings view reads them on notification 4; each value is
// replaced whole.
struct CTrafficCounters {
    std::atomic<std::uint32_t> bytesSent{0};
    std::atomic<std::uint32_t> bytesReceived{0};
    std::atomic<std::uint32_t> duration{0};       // ms
    std::atomic<std::uint32_t> durationBase{0};   // ms, the connect duration at the last reset
    std::atomic<std::time_t> lastReset{0};

    // Session start: base 0, reset time now.
    void StartSession()
    {
        durationBase = 0;
        lastReset = std::time(nullptr);
    }
    // Everything back to 0, reset time now.
    void Reset()
    {
        bytesSent = 0;
        bytesReceived = 0;
        duration = 0;
        durationBase = 0;
        lastReset = std::time(nullptr);
    }
};

}  // namespace brivex
