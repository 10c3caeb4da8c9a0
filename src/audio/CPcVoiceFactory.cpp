#include "audio/CPcVoiceFactory.h"

#include "audio/ZelAudioCapture.h"
#include "audio/ZelAudioPlayer.h"

namespace brivex {

std::unique_ptr<IPcVoiceCapture> CPcVoiceFactory::MakeCapture(CCommPort& voicePort, std::atomic<bool>& downlinkStarted)
{
    return std::make_unique<ZelAudioCapture>(m_backend, &voicePort, downlinkStarted);
}

std::unique_ptr<IPcVoicePlayer> CPcVoiceFactory::MakePlayer(CCommPort& voicePort, std::atomic<bool>& downlinkStarted)
{
    return std::make_unique<ZelAudioPlayer>(m_backend, &voicePort, downlinkStarted);
}

}  // namespace brivex
