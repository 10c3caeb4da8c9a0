#pragma once

#include "audio/CNullCaptureDevice.h"
#include "audio/CNullPlaybackDevice.h"
#include "audio/IAudioBackend.h"

#include <atomic>
#include <mutex>

namespace brivex {

// The back end with no sound devices: it records silence and discards
// playback. Tests and measurements use it; options make the recording
// device keep its buffers or fill frames, and let them watch the playback.
class CNullAudioBackend : public IAudioBackend {
public:
    struct Options {
        CNullCaptureDevice::Fill fill;            // default: silence
        bool holdBuffers = false;                 // the recording device keeps every buffer
        CNullPlaybackDevice::Observer observer;   // sees every pushed frame
        bool failCapture = false;                 // open fails, as with no device
        bool failPlayback = false;
    };

    CNullAudioBackend() = default;
    explicit CNullAudioBackend(Options options) : m_options(std::move(options)) {}

    std::unique_ptr<IAudioCaptureDevice> OpenCapture(int device, const CWaveFormat& format,
                                                     IAudioCaptureDevice::BufferDone done, std::string& error) override;
    std::unique_ptr<IAudioPlaybackDevice> OpenPlayback(const CWaveFormat& format, std::string& error) override;

    int CapturesOpened() const { return m_captures.load(); }
    int PlaybacksOpened() const { return m_playbacks.load(); }

private:
    Options m_options;
    std::atomic<int> m_captures{0};
    std::atomic<int> m_playbacks{0};
};

}  // namespace brivex
