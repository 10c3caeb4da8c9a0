#pragma once

#include "audio/CCaptureBufferQueue.h"
#include "audio/IAudioCaptureDevice.h"

#include <memory>
#include <string>

class QAudioSource;
class QIODevice;
class QObject;

namespace brivex {

class CQtAudioBackend;

// A recording device on QAudioSource: 8000 Hz mono 16-bit with five
// frames' worth of device buffering; what it records fills the queued
// buffers in order. Every Qt object of it lives on the back end's audio
// thread, where the done callback runs too.
class CQtCaptureDevice : public IAudioCaptureDevice {
public:
    static constexpr int kDeviceBufferFrames = 5;

    CQtCaptureDevice(CQtAudioBackend& backend, BufferDone done);
    ~CQtCaptureDevice() override;

    // On the audio thread: finds the device and makes the source.
    bool Create(int device, std::string& error);

    bool AddBuffer(int index, std::uint8_t* data, std::size_t size) override;
    bool Start() override;
    void Reset() override;

private:
    void Drain();
    void StopSource();

    CQtAudioBackend& m_backend;
    CCaptureBufferQueue m_queue;
    std::unique_ptr<QObject> m_context;  // receives the source's signals; deleted on the audio thread
    QAudioSource* m_source = nullptr;    // owned by m_context
    QIODevice* m_io = nullptr;
};

}  // namespace brivex
