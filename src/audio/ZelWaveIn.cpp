#include "audio/ZelWaveIn.h"

#include "app/CDebugViews.h"

#include <chrono>
#include <thread>

namespace brivex {

ZelWaveIn::~ZelWaveIn()
{
    Stop();
}

int ZelWaveIn::QueuedBuffers() const
{
    std::lock_guard lock(m_lock);
    return m_queued;
}

bool ZelWaveIn::Start(int device, const CWaveFormat& format, std::size_t bufferSize)
{
    if (m_device || bufferSize == 0)
        return false;
    std::string error;
    m_device = m_backend.OpenCapture(device, format, [this](int index) { OnBufferDone(index); }, error);
    if (!m_device) {
        BX_LOG(LEVEL_ERR, "PC voice: no recording, the call goes on without the microphone: %s", error.c_str());
        return false;
    }
    m_bufferSize = bufferSize;
    for (int i = 0; i < kBuffers; ++i) {
        m_buffers[i].assign(bufferSize, 0);
        if (!QueueBuffer(i)) {
            BX_LOG(LEVEL_ERR, "PC voice: the recording device refused buffer %d", i);
            Release();
            return false;
        }
    }
    m_running = true;
    if (!m_device->Start()) {
        BX_LOG(LEVEL_ERR, "PC voice: recording did not start, the call goes on without the microphone");
        m_running = false;
        Release();
        return false;
    }
    return true;
}

bool ZelWaveIn::QueueBuffer(int index)
{
    std::lock_guard lock(m_lock);
    if (!m_device->AddBuffer(index, m_buffers[index].data(), m_bufferSize))
        return false;
    ++m_queued;
    return true;
}

void ZelWaveIn::OnBufferDone(int index)
{
    if (index < 0 || index >= kBuffers)
        return;
    {
        std::lock_guard lock(m_lock);
        --m_queued;
    }
    if (!m_suspended)
        DataCallback(m_buffers[index].data(), m_bufferSize);
    if (m_running)
        QueueBuffer(index);
}

void ZelWaveIn::Stop()
{
    m_running = false;
    if (!m_device)
        return;
    // A device that keeps its buffers (stalled, or gone) must not hold the
    // call's end: wait a bounded time, then take them back by force.
    for (int poll = 0; poll < kStopPolls && QueuedBuffers() > 0; ++poll)
        std::this_thread::sleep_for(std::chrono::milliseconds(kStopPollMs));
    Release();
}

void ZelWaveIn::Release()
{
    if (m_device) {
        m_device->Reset();  // no callback runs after this
        m_device.reset();
    }
    {
        std::lock_guard lock(m_lock);
        m_queued = 0;
    }
    for (auto& buffer : m_buffers)
        std::vector<std::uint8_t>().swap(buffer);
}

}  // namespace brivex
