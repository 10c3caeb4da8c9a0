#pragma once

#include "audio/CWaveFormat.h"
#include "audio/IAudioBackend.h"
#include "modem/IPcVoicePlayer.h"
#include "platform/CEvent.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

namespace brivex {

class CCommPort;

// The downlink: a thread that reads the voice port a frame at a time and
// pushes every whole frame to the playback device as soon as it is read,
// with no jitter buffer. The first whole frame sets downlink-started, which
// lets the uplink go.
class ZelAudioPlayer : public IPcVoicePlayer {
public:
    static constexpr std::size_t kWorkBufferBytes = 5000;
    static constexpr int kIdleSleepMs = 1;
    static constexpr int kMaxVolume = 100;
    static constexpr int kDefaultSpare = 300;

    ZelAudioPlayer(IAudioBackend& backend, CCommPort* voicePort, std::atomic<bool>& downlinkStarted);
    ~ZelAudioPlayer() override;
    ZelAudioPlayer(const ZelAudioPlayer&) = delete;
    ZelAudioPlayer& operator=(const ZelAudioPlayer&) = delete;

    bool Open(bool threadMode) override;
    void Close() override;
    bool IsOpen() const { return m_open.load(); }

    // 0..100, default 100 (full); out-of-range values are clamped.
    void SetVolume(int volume);
    int GetVolume() const { return m_volume.load(); }
    // Off: pushes are refused (the frames are read and dropped).
    void SetAcceptData(bool accept) { m_acceptData = accept; }
    bool GetAcceptData() const { return m_acceptData.load(); }
    // -1 (left) .. 1 (right), default 0; kept for the settings, a mono sink has no balance.
    void SetBalance(double balance);
    double GetBalance() const { return m_balance.load(); }
    void SetSpare(int value) { m_spare = value; }
    int GetSpare() const { return m_spare.load(); }

    // Hands one frame to the playback device; false when the player is not
    // open, takes no data or the device refused it.
    virtual bool PushData(const std::uint8_t* data, std::size_t length, std::uint64_t tick);

    // Frames pushed since open.
    std::uint64_t FramesPushed() const { return m_framesPushed.load(); }

private:
    void ThreadBody();
    std::size_t ReadPort(std::uint8_t* buffer, std::size_t capacity);

    IAudioBackend& m_backend;
    CCommPort* m_port;
    std::atomic<bool>& m_downlinkStarted;
    CWaveFormat m_format = CWaveFormat::Voice();

    std::mutex m_lock;  // pushes against close
    std::unique_ptr<IAudioPlaybackDevice> m_device;
    std::unique_ptr<std::array<std::uint8_t, kWorkBufferBytes>> m_work;
    std::atomic<bool> m_open{false};
    std::atomic<bool> m_acceptData{true};
    std::atomic<int> m_volume{kMaxVolume};
    std::atomic<double> m_balance{0.0};
    std::atomic<int> m_spare{kDefaultSpare};
    std::atomic<bool> m_threadMode{false};
    std::atomic<bool> m_stop{true};
    bool m_firstPush = true;  // under m_lock
    std::atomic<std::uint64_t> m_framesPushed{0};
    CEvent m_event{CEvent::Reset::Auto};
    std::thread m_thread;
};

}  // namespace brivex
