#pragma once

#include "audio/CWaveFormat.h"
#include "audio/IAudioBackend.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace brivex {

// A recorder with five buffers kept queued at the recording device. Each
// buffer the device fills is handed to DataCallback whole (its full size,
// whatever was recorded into it) and, while running, queued again.
// A derived class must call Stop in its destructor: the callback is its own.
class ZelWaveIn {
public:
    static constexpr int kBuffers = 5;
    static constexpr int kStopPollMs = 10;
    static constexpr int kStopPolls = 300;  // 3 s for the device to give its buffers back

    explicit ZelWaveIn(IAudioBackend& backend) : m_backend(backend) {}
    virtual ~ZelWaveIn();
    ZelWaveIn(const ZelWaveIn&) = delete;
    ZelWaveIn& operator=(const ZelWaveIn&) = delete;

    bool Start(int device, const CWaveFormat& format, std::size_t bufferSize);
    void Stop();

    // Suspended: buffers still cycle, but no data is delivered.
    void SetSuspended(bool suspended) { m_suspended = suspended; }
    bool Running() const { return m_running.load(); }
    int QueuedBuffers() const;

protected:
    virtual void DataCallback(const std::uint8_t* data, std::size_t length) = 0;

private:
    void OnBufferDone(int index);
    bool QueueBuffer(int index);
    void Release();

    IAudioBackend& m_backend;
    std::unique_ptr<IAudioCaptureDevice> m_device;
    std::size_t m_bufferSize = 0;
    std::array<std::vector<std::uint8_t>, kBuffers> m_buffers;
    mutable std::mutex m_lock;  // the queued count, between the callback and stop
    int m_queued = 0;
    std::atomic<bool> m_suspended{false};
    std::atomic<bool> m_running{false};
};

}  // namespace brivex
