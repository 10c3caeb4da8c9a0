#include "CSimVoice.h"

#include <algorithm>
#include <cmath>

namespace brivex::sim {

const std::vector<std::uint8_t>& CSimVoice::ToneFrame()
{
    static const std::vector<std::uint8_t> frame = [] {
        std::vector<std::uint8_t> f(kFrameBytes);
        constexpr double kPi = 3.14159265358979323846;
        for (std::size_t i = 0; i < kFrameBytes / 2; ++i) {
            const auto sample = static_cast<std::int16_t>(std::lround(8000.0 * std::sin(2.0 * kPi * 400.0 * i / 8000.0)));
            f[2 * i] = static_cast<std::uint8_t>(sample & 0xFF);
            f[2 * i + 1] = static_cast<std::uint8_t>((sample >> 8) & 0xFF);
        }
        return f;
    }();
    return frame;
}

std::optional<std::vector<std::uint8_t>> CSimVoice::Due(Clock::time_point now, bool active)
{
    std::lock_guard lock(m_mutex);
    if (!active) {
        m_due.reset();
        m_lateUntil.reset();
        return std::nullopt;
    }
    if (!m_due)
        m_due = now;
    if (now - *m_due > std::chrono::milliseconds(kResyncMs))
        m_due = now;  // the simulator itself was held up
    if (now < *m_due)
        return std::nullopt;
    if (m_pendingLate && !m_lateUntil) {
        m_lateUntil = *m_due + std::chrono::milliseconds(m_lateNextMs);
        m_pendingLate = false;
    }
    bool late = false;
    if (m_lateUntil) {
        if (now < *m_lateUntil)
            return std::nullopt;
        m_lateUntil.reset();
        late = true;
    }
    *m_due += std::chrono::milliseconds(kFrameMs);
    std::vector<std::uint8_t> frame = ToneFrame();
    if (m_pendingShort) {
        frame.resize(m_shortNext);
        m_pendingShort = false;
        *m_due += std::chrono::milliseconds(kShortGapMs - kFrameMs);
    }
    if (late)
        ++m_stats.lateSent;
    if (m_observer && frame.size() == kFrameBytes)
        m_observer(m_stats.framesSent, now);
    return frame;
}

int CSimVoice::TimeoutMs(Clock::time_point now, bool active) const
{
    std::lock_guard lock(m_mutex);
    if (!active)
        return -1;
    if (!m_due)
        return 0;
    const auto next = m_lateUntil ? std::max(*m_due, *m_lateUntil) : *m_due;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(next - now).count();
    return static_cast<int>(std::clamp<long long>(left, 0, kFrameMs * 10));
}

void CSimVoice::Written(std::size_t bytes, std::size_t wanted)
{
    std::lock_guard lock(m_mutex);
    if (bytes == 0)
        ++m_stats.framesUnsent;
    else if (bytes == kFrameBytes && wanted == kFrameBytes)
        ++m_stats.framesSent;
    else
        ++m_stats.shortSent;
}

void CSimVoice::Received(const std::uint8_t* data, std::size_t length)
{
    std::lock_guard lock(m_mutex);
    if (m_stats.framesSent == 0)
        m_stats.uplinkBeforeDownlink += length;
    m_stats.uplinkBytes += length;
    ++m_stats.uplinkChunks;
    if (length % (kFrameBytes / 2) != 0)
        ++m_stats.oddChunks;
    const std::size_t keep = std::min(length, kKeptUplink - std::min(kKeptUplink, m_stats.uplink.size()));
    m_stats.uplink.insert(m_stats.uplink.end(), data, data + keep);
}

void CSimVoice::SendShort(std::size_t bytes)
{
    std::lock_guard lock(m_mutex);
    m_shortNext = std::clamp<std::size_t>(bytes, 1, kFrameBytes - 1);
    m_pendingShort = true;
}

void CSimVoice::SendLate(int ms)
{
    std::lock_guard lock(m_mutex);
    m_lateNextMs = std::clamp(ms, 1, kResyncMs / 2);
    m_pendingLate = true;
}

CSimVoice::Stats CSimVoice::GetStats() const
{
    std::lock_guard lock(m_mutex);
    return m_stats;
}

void CSimVoice::ClearStats()
{
    std::lock_guard lock(m_mutex);
    m_stats = Stats{};
}

void CSimVoice::SetSentObserver(SentObserver observer)
{
    std::lock_guard lock(m_mutex);
    m_observer = std::move(observer);
}

}  // namespace brivex::sim
