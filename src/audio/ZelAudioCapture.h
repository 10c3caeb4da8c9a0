#pragma once

#include "audio/ZelWaveIn.h"
#include "modem/IPcVoiceCapture.h"

#include <atomic>

namespace brivex {

class CCommPort;

// The uplink: the recorder whose frames go to the voice port, once the
// downlink has started.
class ZelAudioCapture : public ZelWaveIn, public IPcVoiceCapture {
public:
    ZelAudioCapture(IAudioBackend& backend, CCommPort* voicePort, std::atomic<bool>& downlinkStarted);
    ~ZelAudioCapture() override;

    bool StartCapture(int device, std::size_t bufferSize) override;
    void StopCapture() override { Stop(); }

    const CWaveFormat& Format() const { return m_format; }

protected:
    void DataCallback(const std::uint8_t* data, std::size_t length) override;

private:
    const CWaveFormat m_format = CWaveFormat::Voice();
    CCommPort* m_port;
    std::atomic<bool>& m_downlinkStarted;
};

}  // namespace brivex
