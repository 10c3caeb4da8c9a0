#include "audio/CNullAudioBackend.h"

namespace brivex {

std::unique_ptr<IAudioCaptureDevice> CNullAudioBackend::OpenCapture(int device, const CWaveFormat& format,
                                                                    IAudioCaptureDevice::BufferDone done,
                                                                    std::string& error)
{
    if (m_options.failCapture || device != 0) {
        error = "no recording device";
        return nullptr;
    }
    if (!(format == CWaveFormat::Voice())) {
        error = "only the voice format is recorded";
        return nullptr;
    }
    ++m_captures;
    return std::make_unique<CNullCaptureDevice>(std::move(done), m_options.fill, m_options.holdBuffers);
}

std::unique_ptr<IAudioPlaybackDevice> CNullAudioBackend::OpenPlayback(const CWaveFormat& format, std::string& error)
{
    if (m_options.failPlayback) {
        error = "no playback device";
        return nullptr;
    }
    if (!(format == CWaveFormat::Voice())) {
        error = "only the voice format is played";
        return nullptr;
    }
    ++m_playbacks;
    return std::make_unique<CNullPlaybackDevice>(m_options.observer);
}

}  // namespace brivex
