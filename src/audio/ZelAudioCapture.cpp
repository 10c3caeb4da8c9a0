#include "audio/ZelAudioCapture.h"

#include "audio/CVoiceFrames.h"
#include "link/CCommPort.h"

namespace brivex {

ZelAudioCapture::ZelAudioCapture(IAudioBackend& backend, CCommPort* voicePort, std::atomic<bool>& downlinkStarted)
    : ZelWaveIn(backend), m_port(voicePort), m_downlinkStarted(downlinkStarted)
{
}

ZelAudioCapture::~ZelAudioCapture()
{
    Stop();  // before this object's callback goes away
}

bool ZelAudioCapture::StartCapture(int device, std::size_t bufferSize)
{
    return Start(device, m_format, bufferSize);
}

void ZelAudioCapture::DataCallback(const std::uint8_t* data, std::size_t length)
{
    if (!m_port)
        return;
    CVoiceFrames::SendUplink(data, length, m_downlinkStarted.load(),
                             [this](const std::uint8_t* d, std::size_t n) { return m_port->WriteData(d, n); });
}

}  // namespace brivex
