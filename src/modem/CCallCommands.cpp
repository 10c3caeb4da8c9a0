#include "modem/CCallCommands.h"

#include "app/CDebugViews.h"
#include "modem/CCallDisplay.h"
#include "modem/CCallStateHandler.h"
#include "modem/CDiagExchange.h"
#include "modem/CEngine.h"
#include "modem/CGeneralPackets.h"
#include "modem/CStandardPackets.h"
#include "modem/CWindowSeam.h"
#include "modem/DiagCommands.h"
#include "modem/WorkerCommands.h"

#include <charconv>
#include <chrono>
#include <thread>

namespace brivex {

namespace {

using Target = CWindowSeam::Target;
using D = CCallDisplay;

constexpr int kCallStartDelayMs = 100;

}  // namespace

CCallCommands::CCallCommands(CEngine& engine) : m_engine(engine), m_incoming(engine.Window(), engine.State()) {}

// --- DM_IN_CALL ---------------------------------------------------------------

StepResult CCallCommands::InCall()
{
    BX_LOG(LEVEL_DM, "DM IN CALL");
    {
        std::lock_guard lock(m_engine.State().mutex);
        // A second call keeps the number of the call that is up (see the display).
        if (!D::CallMarked(m_engine.State().callStateWord.load()))
            m_engine.State().callNumber.clear();
    }
    CDiagExchange exchange(m_engine.DiagPort());
    if (exchange.Run(CGeneralPackets::BuildCallerIdRequest()) == 0) {
        const auto caller = CGeneralPackets::ParseCallerIdResponse(exchange.Answer());
        if (caller) {
            m_incoming.Show(*caller);
            return StepResult::Success;
        }
    }
    BX_LOG(LEVEL_ST, "dm_in_call error");
    return StepResult::Failure;
}

// --- DM_OUT_CALL --------------------------------------------------------------

StepResult CCallCommands::OutCall()
{
    CEngineState& state = m_engine.State();
    CWindowSeam& window = m_engine.Window();
    BX_LOG(LEVEL_DM, "DM_OUT_CALL:");
    if (state.callStateWord.load() == D::kOutgoing) {
        BX_LOG(LEVEL_DM, "now out calling....");
        return StepResult::Neutral;
    }
    BX_LOG(LEVEL_DM, "DM OUT CALL");
    std::string number;
    {
        std::lock_guard lock(state.mutex);
        number = state.dialNumber;
    }
    if (number.empty())
        return StepResult::Neutral;  // nothing to dial: the state stays as it is
    const auto request = CStandardPackets::BuildCallOrigination(number);
    if (!request) {
        // More digits than the origination holds can never be dialled: drop them.
        BX_LOG(LEVEL_ST, "dm_out_call error(line=%d)", __LINE__);
        std::lock_guard lock(state.mutex);
        state.dialNumber.clear();
        return StepResult::Neutral;
    }
    state.ClearCallRecord();
    {
        std::lock_guard lock(state.mutex);
        state.callNumber = number;
    }
    CDiagExchange exchange(m_engine.DiagPort());
    if (exchange.Run(*request) != 0 || !CStandardPackets::ParseCallOriginationResponse(exchange.Answer())) {
        BX_LOG(LEVEL_ST, "dm_out_call error(line=%d)", __LINE__);
        return StepResult::Failure;
    }
    BX_LOG(LEVEL_DM, "DM OUT CALL = %s", number.c_str());
    D::TakeSlot(state, number, {});
    {
        std::lock_guard lock(state.mutex);
        state.dialNumber.clear();
    }
    window.SetWaitCursor(false);
    state.callStateWord = D::kOutgoing;
    window.SetStatusText(2, D::IsEmergency(number) ? "Emergency Call" : "Outgoing call");
    window.StartTimer(CCallStateHandler::kCallStartTimer, kCallStartDelayMs);
    window.Send(Target::MainWindow, WM_MODEM_EVENT, 4, D::kDisplayOnly);
    return StepResult::Success;
}

// --- DM_KEY_PRESS -------------------------------------------------------------

std::optional<std::uint8_t> CCallCommands::ParseKey(const std::string& text)
{
    unsigned value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || text.empty() || value > 0xFF)
        return std::nullopt;
    return static_cast<std::uint8_t>(value);
}

std::optional<std::uint8_t> CCallCommands::TakeKey()
{
    CEngineState& state = m_engine.State();
    std::string text;
    {
        std::lock_guard lock(state.mutex);
        if (state.keyList.empty())
            return std::nullopt;
        text = std::move(state.keyList.front());
        state.keyList.pop_front();
    }
    const auto key = ParseKey(text);
    if (!key)
        BX_LOG(LEVEL_ST, "DM_KEY_PRESS: bad key \"%s\"", text.c_str());
    return key;
}

bool CCallCommands::SendKey(CDiagExchange& exchange, std::uint8_t key)
{
    const bool hold = CStandardPackets::KeyHoldFlag(key, m_engine.State().dtmfMode.load() != 0);
    return exchange.Run(CStandardPackets::BuildKeyPress(key, hold)) == 0 &&
           CStandardPackets::ParseKeyPressResponse(exchange.Answer()).Ok();
}

void CCallCommands::SendPauseDigits(CDiagExchange& exchange)
{
    CEngineState& state = m_engine.State();
    std::string digits;
    std::string next;
    std::size_t left = 0;
    {
        std::lock_guard lock(state.mutex);
        digits = std::move(state.pauseList.front());
        state.pauseList.pop_front();
        left = state.pauseList.size();
        if (!state.pauseList.empty())
            next = state.pauseList.front();
    }
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(kPauseKeyGapMs));
        const auto key = static_cast<std::uint8_t>(digits[i]);
        BX_LOG(LEVEL_DM, " pause key press = 0x%02x", key);
        if (!SendKey(exchange, key)) {
            BX_LOG(LEVEL_ST, "dm_key_press error");
            break;
        }
    }
    D::SetMainText(m_engine.Window(), state, left > 0 ? "dtmf:" + next : std::string());
    BX_LOG(LEVEL_DM, "pause key count = %d", static_cast<int>(left));
}

void CCallCommands::SwitchShownCall()
{
    CEngineState& state = m_engine.State();
    std::string text;
    {
        std::lock_guard lock(state.mutex);
        if (state.slotIndex < 2)
            return;
        state.shownSlot = state.shownSlot == 0 ? 1 : 0;
        const auto& slot = state.callSlots[static_cast<std::size_t>(state.shownSlot)];
        text = slot.name + "\n" + slot.number;
    }
    D::SetMainText(m_engine.Window(), state, text);
    m_engine.Window().SetStatusText(2, {});
}

void CCallCommands::PassToKeypad(std::uint8_t key, bool ringing)
{
    CEngineState& state = m_engine.State();
    CWindowSeam& window = m_engine.Window();
    if (ringing) {
        if (key == KEY_SEND || key == KEY_END)
            window.KeypadKey(key);
    } else if (key == KEY_CLR) {
        bool oneShot = false;
        {
            std::lock_guard lock(state.mutex);
            oneShot = state.keypadOneShot;
            state.keypadOneShot = false;
        }
        if (!oneShot)
            window.KeypadKey(key);
    } else {
        window.KeypadKey(key);
    }
    if ((state.callFlags.load() & D::kAnswerTimer) != 0) {
        state.callFlags = state.callFlags.load() & ~D::kAnswerTimer;
        window.KillTimer(CCallStateHandler::kAnswerTimer);
    }
    if (key == KEY_END && state.lastCallState.load() != DIAG_D_CONV_S)
        D::ClearLowerLines(window);
}

StepResult CCallCommands::KeyPress()
{
    CEngineState& state = m_engine.State();
    CWindowSeam& window = m_engine.Window();
    BX_LOG(LEVEL_DM, "DM_KEY_PRESS:");
    const auto key = TakeKey();
    if (!key || !D::CallMarked(state.callStateWord.load()) || *key == kPauseKey)
        return StepResult::Neutral;

    CDiagExchange exchange(m_engine.DiagPort());
    const bool ringing = state.lastCallState.load() == DIAG_D_WFA_S;
    if (ringing) {
        if (*key == KEY_SEND || *key == KEY_END)
            window.Post(Target::MainWindow, WM_RING_STOP, 0, 0);
    } else {
        bool pauses = false;
        {
            std::lock_guard lock(state.mutex);
            pauses = !state.pauseList.empty();
        }
        if (pauses && *key == KEY_SEND) {
            SendPauseDigits(exchange);
            return StepResult::Neutral;
        }
        if (pauses) {
            {
                std::lock_guard lock(state.mutex);
                state.pauseList.clear();
            }
            D::SetMainText(window, state, {});
        }
    }

    if (!SendKey(exchange, *key)) {
        BX_LOG(LEVEL_ST, "dm_key_press error");
        return StepResult::Neutral;
    }
    BX_LOG(LEVEL_DM, "press key = 0x%02x", *key);
    if (*key == KEY_SEND)
        SwitchShownCall();
    const bool sendInConversation = *key == KEY_SEND && state.lastCallState.load() == DIAG_D_CONV_S &&
                                    (state.callFlags.load() & D::kAnswerTimer) == 0;
    if (!sendInConversation)
        PassToKeypad(*key, ringing);
    return StepResult::Success;
}

}  // namespace brivex
