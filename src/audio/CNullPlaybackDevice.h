#pragma once

#include "audio/IAudioPlaybackDevice.h"

#include <functional>

namespace brivex {

// A playback device that discards what it is given; an observer (tests,
// measurements) sees every hand-over.
class CNullPlaybackDevice : public IAudioPlaybackDevice {
public:
    using Observer = std::function<void(const std::uint8_t* data, std::size_t length, bool discontinuity)>;

    explicit CNullPlaybackDevice(Observer observer) : m_observer(std::move(observer)) {}

    bool Push(const std::uint8_t* data, std::size_t length, bool discontinuity) override
    {
        if (!data || length == 0)
            return false;
        if (m_observer)
            m_observer(data, length, discontinuity);
        return true;
    }
    void SetVolume(double) override {}

private:
    Observer m_observer;
};

}  // namespace brivex
