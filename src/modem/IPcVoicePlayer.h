#pragma once

namespace brivex {

// The downlink half of PC voice as the engine drives it: reads frames from
// the voice port (on its own thread in thread mode) and plays them.
class IPcVoicePlayer {
public:
    virtual ~IPcVoicePlayer() = default;
    virtual bool Open(bool threadMode) = 0;
    // Returns once the downlink thread has ended.
    virtual void Close() = 0;
};

}  // namespace brivex
