#include "audio/ZelAudioPlayer.h"

#include "app/CDebugViews.h"
#include "audio/CVoiceFrames.h"
#include "link/CCommPort.h"

#include <algorithm>
#include <chrono>

namespace brivex {

namespace {

std::uint64_t TickMs()
{
    using namespace std::chrono;
    return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

ZelAudioPlayer::ZelAudioPlayer(IAudioBackend& backend, CCommPort* voicePort, std::atomic<bool>& downlinkStarted)
    : m_backend(backend), m_port(voicePort), m_downlinkStarted(downlinkStarted),
      m_work(std::make_unique<std::array<std::uint8_t, kWorkBufferBytes>>())
{
}

ZelAudioPlayer::~ZelAudioPlayer()
{
    Close();
}

bool ZelAudioPlayer::Open(bool threadMode)
{
    m_format = CWaveFormat::Voice();
    {
        std::lock_guard lock(m_lock);
        if (m_open)
            return true;
        std::string error;
        m_device = m_backend.OpenPlayback(m_format, error);
        if (!m_device) {
            BX_LOG(LEVEL_ERR, "PC voice: no playback, the call goes on without the speakers: %s", error.c_str());
            return false;
        }
        m_device->SetVolume(m_volume.load() / static_cast<double>(kMaxVolume));
        m_firstPush = true;
        m_open = true;
        m_stop = false;
    }
    m_threadMode = threadMode;
    if (threadMode && !m_thread.joinable())
        m_thread = std::thread([this] { ThreadBody(); });
    return true;
}

void ZelAudioPlayer::Close()
{
    m_stop = true;
    m_threadMode = false;
    m_event.Set();
    if (m_thread.joinable())
        m_thread.join();
    std::lock_guard lock(m_lock);
    m_device.reset();
    m_open = false;
}

void ZelAudioPlayer::SetVolume(int volume)
{
    m_volume = std::clamp(volume, 0, kMaxVolume);
    std::lock_guard lock(m_lock);
    if (m_device)
        m_device->SetVolume(m_volume.load() / static_cast<double>(kMaxVolume));
}

void ZelAudioPlayer::SetBalance(double balance)
{
    m_balance = std::clamp(balance, -1.0, 1.0);
}

bool ZelAudioPlayer::PushData(const std::uint8_t* data, std::size_t length, std::uint64_t /*tick*/)
{
    std::lock_guard lock(m_lock);
    if (!m_open || !m_device || !m_acceptData)
        return false;
    const bool first = m_firstPush;
    m_firstPush = false;
    if (!m_device->Push(data, length, first))
        return false;
    ++m_framesPushed;
    return true;
}

std::size_t ZelAudioPlayer::ReadPort(std::uint8_t* buffer, std::size_t capacity)
{
    return m_port->ReadData(buffer, capacity);
}

void ZelAudioPlayer::ThreadBody()
{
    const auto read = [this](std::uint8_t* b, std::size_t n) { return ReadPort(b, n); };
    const auto push = [this](const std::uint8_t* frame, std::size_t length) {
        m_downlinkStarted = true;
        return PushData(frame, length, TickMs());
    };
    while (!m_stop && m_work && m_port) {
        if (!CVoiceFrames::DownlinkPass(read, m_work->data(), m_work->size(), push))
            m_event.Wait(std::chrono::milliseconds(kIdleSleepMs));
    }
}

}  // namespace brivex
