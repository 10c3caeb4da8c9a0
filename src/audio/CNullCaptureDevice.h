#pragma once

#include "audio/CCaptureBufferQueue.h"
#include "audio/IAudioCaptureDevice.h"
#include "platform/CEvent.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace brivex {

// A recording device with no sound card behind it: once started it records
// one frame of silence (or of what the fill function writes) every 20 ms on
// its own thread. Holding, it keeps every buffer and records nothing, as a
// stalled device would.
class CNullCaptureDevice : public IAudioCaptureDevice {
public:
    using Fill = std::function<void(std::uint8_t* frame, std::size_t length)>;

    CNullCaptureDevice(BufferDone done, Fill fill, bool hold);
    ~CNullCaptureDevice() override;

    bool AddBuffer(int index, std::uint8_t* data, std::size_t size) override;
    bool Start() override;
    void Reset() override;

    void SetHold(bool hold) { m_hold = hold; }

private:
    void Run();

    CCaptureBufferQueue m_queue;
    Fill m_fill;
    std::atomic<bool> m_hold;
    std::mutex m_callbackMutex;  // held while buffers are handed back; Reset waits for it
    bool m_reset = false;        // under m_callbackMutex
    std::atomic<bool> m_quit{false};
    CEvent m_wake{CEvent::Reset::Auto};
    std::thread m_thread;
};

}  // namespace brivex
