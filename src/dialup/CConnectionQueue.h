#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>

namespace brivex {

// The connection thread's one-byte command queue. Every operation, and the
// already-queued test inside Push, runs under one lock, so the order rules
// hold whichever threads queue at once.
class CConnectionQueue {
public:
    static constexpr std::uint8_t kConnect = 1;
    static constexpr std::uint8_t kMonitor = 2;
    static constexpr std::uint8_t kWatch = 4;
    static constexpr std::uint8_t kDisconnect = 5;
    static constexpr std::uint8_t kHalt = 240;
    static constexpr std::uint8_t kAll = 255;  // Remove: empty the queue

    // False when refused: 0; anything while a halt is queued; anything but a
    // halt while a disconnect is queued.
    bool Push(std::uint8_t command, bool atHead);
    // Removes every queued occurrence (kAll: everything).
    void Remove(std::uint8_t command);
    bool Contains(std::uint8_t command) const;
    std::optional<std::uint8_t> TakeHead();
    bool Empty() const;
    std::deque<std::uint8_t> Snapshot() const;

private:
    mutable std::mutex m_mutex;
    std::deque<std::uint8_t> m_queue;
};

}  // namespace brivex
