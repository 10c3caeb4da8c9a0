#pragma once

#include <cstddef>

namespace brivex {

// The uplink half of PC voice as the engine drives it: records from a
// recording device and writes the frames to the voice port.
class IPcVoiceCapture {
public:
    virtual ~IPcVoiceCapture() = default;
    virtual bool StartCapture(int device, std::size_t bufferSize) = 0;
    // Returns once the device has given its buffers back, or after its wait ran out.
    virtual void StopCapture() = 0;
};

}  // namespace brivex
