#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace brivex {

// A recording device as the recorder drives it: buffers are handed to the
// device, which fills them in order and hands each full one back through the
// done callback (on a thread of its own). After Reset returns no buffer is
// held any more and no callback runs or will run; the destructor closes the
// device (and resets it first).
class IAudioCaptureDevice {
public:
    // Buffer index and its size, called when the device has filled it.
    using BufferDone = std::function<void(int index)>;

    virtual ~IAudioCaptureDevice() = default;
    virtual bool AddBuffer(int index, std::uint8_t* data, std::size_t size) = 0;
    virtual bool Start() = 0;
    virtual void Reset() = 0;
};

}  // namespace brivex
