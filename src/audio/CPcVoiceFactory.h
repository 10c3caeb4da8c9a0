#pragma once

#include "audio/IAudioBackend.h"
#include "modem/IPcVoiceFactory.h"

namespace brivex {

// Makes a ZelAudioCapture and a ZelAudioPlayer on one audio back end.
class CPcVoiceFactory : public IPcVoiceFactory {
public:
    explicit CPcVoiceFactory(IAudioBackend& backend) : m_backend(backend) {}

    std::unique_ptr<IPcVoiceCapture> MakeCapture(CCommPort& voicePort, std::atomic<bool>& downlinkStarted) override;
    std::unique_ptr<IPcVoicePlayer> MakePlayer(CCommPort& voicePort, std::atomic<bool>& downlinkStarted) override;

private:
    IAudioBackend& m_backend;
};

}  // namespace brivex
