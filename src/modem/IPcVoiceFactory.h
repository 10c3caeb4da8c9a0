#pragma once

#include "modem/IPcVoiceCapture.h"
#include "modem/IPcVoicePlayer.h"

#include <atomic>
#include <memory>

namespace brivex {

class CCommPort;

// Makes the two halves of PC voice for one call; the sound side (outside
// the core) provides it. Both halves share the downlink-started flag: the
// player sets it with the first whole downlink frame, and the capture sends
// nothing while it is clear.
class IPcVoiceFactory {
public:
    virtual ~IPcVoiceFactory() = default;
    virtual std::unique_ptr<IPcVoiceCapture> MakeCapture(CCommPort& voicePort, std::atomic<bool>& downlinkStarted) = 0;
    virtual std::unique_ptr<IPcVoicePlayer> MakePlayer(CCommPort& voicePort, std::atomic<bool>& downlinkStarted) = 0;
};

}  // namespace brivex
