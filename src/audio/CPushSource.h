#pragma once

#include "audio/CWaveFormat.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>

namespace brivex {

// The playback source: the frames the downlink pushes wait in a bounded
// work buffer until the sound device takes them. It has one format only,
// time stamps nothing (frames play as they come, no clock is followed) and
// marks the first push of the stream as a discontinuity, which discards
// anything left from before. When the device falls behind, the oldest whole
// frames give way to the newest: voice must not build up delay.
class CPushSource {
public:
    static constexpr std::size_t kWorkBufferBytes = 5000;

    explicit CPushSource(const CWaveFormat& format = CWaveFormat::Voice()) : m_format(format) {}

    // Only the source's own format.
    bool Accepts(const CWaveFormat& format) const { return format == m_format; }
    const CWaveFormat& Format() const { return m_format; }

    // One pushed frame; false when it is empty or longer than the work buffer.
    // The first push remembers its tick and counts as a discontinuity.
    bool Push(const std::uint8_t* data, std::size_t length, std::uint64_t tick, bool discontinuity = false);
    // Takes up to capacity waiting bytes, oldest first.
    std::size_t Take(std::uint8_t* out, std::size_t capacity);

    std::size_t Pending() const;
    std::size_t DroppedBytes() const;
    std::uint64_t FirstTick() const;
    std::size_t Discontinuities() const;

private:
    void DropFront(std::size_t count);

    const CWaveFormat m_format;
    mutable std::mutex m_mutex;
    std::array<std::uint8_t, kWorkBufferBytes> m_buffer{};
    std::size_t m_start = 0;   // ring buffer: first waiting byte
    std::size_t m_count = 0;   // waiting bytes
    std::size_t m_dropped = 0;
    std::size_t m_discontinuities = 0;
    bool m_started = false;
    std::uint64_t m_firstTick = 0;
};

}  // namespace brivex
