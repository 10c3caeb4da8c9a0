#pragma once

#include <cstddef>
#include <cstdint>

namespace brivex {

// A playback device fed by pushes: every push hands a whole frame over at
// once, with no time stamp, to be played as soon as the device can (no clock
// synchronisation, no jitter buffer). Push may be called from any one thread.
class IAudioPlaybackDevice {
public:
    virtual ~IAudioPlaybackDevice() = default;
    // discontinuity: the first frame of the stream (nothing before it belongs to it).
    virtual bool Push(const std::uint8_t* data, std::size_t length, bool discontinuity) = 0;
    // 0.0 silent .. 1.0 full.
    virtual void SetVolume(double volume) = 0;
};

}  // namespace brivex
