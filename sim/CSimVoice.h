#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

namespace brivex::sim {

// The modem's voice interface: while PC voice is on and a call is in
// conversation it sends a test tone (400 Hz, so every 320-byte frame is the
// same eight periods) as one frame every 20 ms, and it records what the PC
// sends. On request the next frame goes out short (a piece of a frame) or
// late (held back; the frames after it keep their times, so they follow in
// a burst). A short frame is followed by a pause of kShortGapMs, so the PC
// reads the piece on its own even when its reader runs late. Thread-safe: the port thread and the control commands meet here.
class CSimVoice {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::size_t kFrameBytes = 320;
    static constexpr int kFrameMs = 20;
    static constexpr int kShortGapMs = 100;
    static constexpr int kResyncMs = 1000;            // behind more than this: the schedule restarts
    static constexpr std::size_t kKeptUplink = 16000;  // the first second of uplink is kept

    struct Stats {
        std::uint64_t framesSent = 0;     // whole frames written
        std::uint64_t shortSent = 0;      // cut frames written
        std::uint64_t lateSent = 0;       // frames sent late on request
        std::uint64_t framesUnsent = 0;   // the PC side was not reading (frame dropped)
        std::uint64_t uplinkBytes = 0;
        std::uint64_t uplinkChunks = 0;   // reads from the port
        std::uint64_t oddChunks = 0;      // reads that were not whole half-frames
        std::uint64_t uplinkBeforeDownlink = 0;  // bytes that came before the first frame went out
        std::vector<std::uint8_t> uplink;        // the first kKeptUplink bytes
    };
    // Sees every frame as it goes out (measurements): frame number and time.
    using SentObserver = std::function<void(std::uint64_t frame, Clock::time_point when)>;

    // The tone frame every whole frame carries.
    static const std::vector<std::uint8_t>& ToneFrame();

    // The next frame, when one is due now; nothing while inactive.
    std::optional<std::vector<std::uint8_t>> Due(Clock::time_point now, bool active);
    // How long until the next frame is due (-1: none while inactive).
    int TimeoutMs(Clock::time_point now, bool active) const;
    // The outcome of writing a frame Due returned.
    void Written(std::size_t bytes, std::size_t wanted);
    void Received(const std::uint8_t* data, std::size_t length);

    void SendShort(std::size_t bytes);
    void SendLate(int ms);
    Stats GetStats() const;
    void ClearStats();
    void SetSentObserver(SentObserver observer);

private:
    mutable std::mutex m_mutex;
    std::optional<Clock::time_point> m_due;
    std::optional<Clock::time_point> m_lateUntil;
    std::size_t m_shortNext = 0;
    int m_lateNextMs = 0;
    bool m_pendingShort = false;
    bool m_pendingLate = false;
    Stats m_stats;
    SentObserver m_observer;
};

}  // namespace brivex::sim
