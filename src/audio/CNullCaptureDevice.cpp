#include "audio/CNullCaptureDevice.h"

#include "audio/CWaveFormat.h"

#include <array>
#include <chrono>

namespace brivex {

CNullCaptureDevice::CNullCaptureDevice(BufferDone done, Fill fill, bool hold)
    : m_queue(std::move(done)), m_fill(std::move(fill)), m_hold(hold)
{
}

CNullCaptureDevice::~CNullCaptureDevice()
{
    Reset();
    m_quit = true;
    m_wake.Set();
    if (m_thread.joinable())
        m_thread.join();
}

bool CNullCaptureDevice::AddBuffer(int index, std::uint8_t* data, std::size_t size)
{
    return m_queue.Add(index, data, size);
}

bool CNullCaptureDevice::Start()
{
    if (m_thread.joinable())
        return true;
    m_thread = std::thread([this] { Run(); });
    return true;
}

void CNullCaptureDevice::Reset()
{
    std::lock_guard lock(m_callbackMutex);
    m_reset = true;
    m_queue.Clear();
}

void CNullCaptureDevice::Run()
{
    using Clock = std::chrono::steady_clock;
    std::array<std::uint8_t, CWaveFormat::kFrameBytes> frame{};
    auto due = Clock::now();
    while (!m_quit) {
        due += std::chrono::milliseconds(CWaveFormat::kFrameMs);
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(due - Clock::now());
        if (wait.count() > 0 && m_wake.Wait(wait))
            continue;  // woken: quitting
        if (m_hold)
            continue;
        frame.fill(0);
        if (m_fill)
            m_fill(frame.data(), frame.size());
        std::lock_guard lock(m_callbackMutex);
        if (!m_reset)
            m_queue.Feed(frame.data(), frame.size());
    }
}

}  // namespace brivex
