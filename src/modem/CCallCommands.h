#pragma once

#include "modem/CIncomingCallDisplay.h"
#include "modem/StepResult.h"

#include <cstdint>
#include <optional>
#include <string>

namespace brivex {

class CEngine;
class CDiagExchange;

// The call commands of the worker: DM_IN_CALL (caller ID and the incoming-call
// display), DM_OUT_CALL (origination) and DM_KEY_PRESS (keys, pauses, DTMF).
// They run on the worker thread.
class CCallCommands {
public:
    static constexpr std::uint8_t kPauseKey = 12;
    static constexpr int kPauseKeyGapMs = 200;

    explicit CCallCommands(CEngine& engine);
    StepResult InCall();
    StepResult OutCall();
    StepResult KeyPress();

    // A key code of the key list ("80", "49" ...); nothing for text that is
    // not a decimal byte.
    static std::optional<std::uint8_t> ParseKey(const std::string& text);

private:
    std::optional<std::uint8_t> TakeKey();
    bool SendKey(CDiagExchange& exchange, std::uint8_t key);
    // SEND with pause digits queued sends the next tone string instead.
    void SendPauseDigits(CDiagExchange& exchange);
    void SwitchShownCall();
    void PassToKeypad(std::uint8_t key, bool ringing);

    CEngine& m_engine;
    CIncomingCallDisplay m_incoming;
};

}  // namespace brivex
