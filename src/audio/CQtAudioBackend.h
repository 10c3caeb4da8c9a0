#pragma once

#include "audio/IAudioBackend.h"

#include <functional>
#include <memory>
#include <mutex>

class QObject;
class QThread;

namespace brivex {

// The back end on Qt Multimedia: QAudioSource records, QAudioSink plays.
// Both live on one audio thread of the back end's own (with its event
// loop), so the worker thread that starts and stops PC voice needs no event
// loop. It needs the program's Qt application object; with no audio server
// (no device to open) opening fails and says why.
class CQtAudioBackend : public IAudioBackend {
public:
    CQtAudioBackend();
    ~CQtAudioBackend() override;
    CQtAudioBackend(const CQtAudioBackend&) = delete;
    CQtAudioBackend& operator=(const CQtAudioBackend&) = delete;

    std::unique_ptr<IAudioCaptureDevice> OpenCapture(int device, const CWaveFormat& format,
                                                     IAudioCaptureDevice::BufferDone done, std::string& error) override;
    std::unique_ptr<IAudioPlaybackDevice> OpenPlayback(const CWaveFormat& format, std::string& error) override;

    // Runs fn on the audio thread and waits for it (at once when called there).
    void Run(const std::function<void()>& fn);
    QObject* Context() const { return m_context.get(); }

private:
    bool EnsureThread(std::string& error);

    std::mutex m_mutex;
    std::unique_ptr<QThread> m_thread;
    std::unique_ptr<QObject> m_context;  // lives on the audio thread
};

}  // namespace brivex
