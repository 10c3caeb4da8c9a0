#pragma once

#include <cstddef>
#include <cstdint>

namespace brivex {

// The voice format, the same on the wire, in recording and in playback:
// PCM, one channel, 8000 samples per second, 16-bit signed little-endian.
// One frame is 20 ms: 160 samples, 320 bytes.
struct CWaveFormat {
    static constexpr std::size_t kFrameBytes = 320;
    static constexpr std::size_t kHalfFrameBytes = kFrameBytes / 2;
    static constexpr int kFrameMs = 20;

    std::uint16_t formatTag = 1;  // PCM
    std::uint16_t channels = 1;
    std::uint32_t samplesPerSec = 8000;
    std::uint32_t avgBytesPerSec = 16000;
    std::uint16_t blockAlign = 2;
    std::uint16_t bitsPerSample = 16;
    std::uint16_t extraSize = 0;

    // The only format the voice path plays or records.
    static constexpr CWaveFormat Voice() { return CWaveFormat{}; }

    friend constexpr bool operator==(const CWaveFormat&, const CWaveFormat&) = default;
};

}  // namespace brivex
