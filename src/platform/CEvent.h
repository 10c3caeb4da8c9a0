#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace brivex {

// The design's event object: auto-reset (one waiter is released and the event
// clears) or manual-reset (stays set until reset). Every wait has a time-out.
class CEvent {
public:
    enum class Reset { Auto, Manual };

    explicit CEvent(Reset mode = Reset::Auto, bool initiallySet = false);

    void Set();
    void ResetEvent();
    // Releases the waiters present now and leaves the event cleared.
    void Pulse();
    bool IsSet() const;

    // True when the event was set within the time-out (negative: wait forever).
    bool Wait(std::chrono::milliseconds timeout);
    bool Wait(long long timeoutMs) { return Wait(std::chrono::milliseconds(timeoutMs)); }

private:
    const Reset m_mode;
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_set;
    unsigned long long m_pulses = 0;
};

}  // namespace brivex
