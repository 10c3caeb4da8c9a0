#pragma once

#include "audio/CPushSource.h"
#include "audio/IAudioPlaybackDevice.h"

#include <atomic>
#include <memory>
#include <string>

class QAudioSink;
class QIODevice;
class QObject;
class QTimer;

namespace brivex {

class CQtAudioBackend;

// A playback device on QAudioSink in push mode: pushed frames wait in the
// push source's work buffer and go to the sink on the audio thread as soon
// as it has room, with no clock to follow.
class CQtPlaybackDevice : public IAudioPlaybackDevice {
public:
    static constexpr int kDeviceBufferFrames = 4;
    static constexpr int kDrainMs = 10;

    explicit CQtPlaybackDevice(CQtAudioBackend& backend);
    ~CQtPlaybackDevice() override;

    // On the audio thread: finds the device, makes the sink and starts it.
    bool Create(std::string& error);

    bool Push(const std::uint8_t* data, std::size_t length, bool discontinuity) override;
    void SetVolume(double volume) override;

private:
    void Drain();

    CQtAudioBackend& m_backend;
    CPushSource m_source;
    std::unique_ptr<QObject> m_context;  // deleted on the audio thread; queued drains die with it
    QAudioSink* m_sink = nullptr;        // owned by m_context
    QIODevice* m_io = nullptr;
    QTimer* m_timer = nullptr;           // owned by m_context
    std::atomic<bool> m_drainQueued{false};
};

}  // namespace brivex
