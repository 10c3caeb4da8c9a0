#include "modem/CCallStateHandler.h"

#include "app/CDebugViews.h"
#include "modem/CCallDisplay.h"
#include "modem/CEngineState.h"
#include "modem/CWindowSeam.h"
#include "modem/DiagCommands.h"
#include "modem/WorkerCommands.h"

#include <mutex>

namespace brivex {

namespace {

using Target = CWindowSeam::Target;
using D = CCallDisplay;

constexpr int kCallIndicator = 1044;
constexpr std::uint8_t kShown = 128;
constexpr std::uint8_t kHidden = 129;
constexpr std::uint8_t kNoCardLimit = 20;
constexpr std::uint16_t kEvdoOnlyMode = 10;

}  // namespace

CCallStateHandler::CCallStateHandler(CWindowSeam& window, CEngineState& state, QueueTail queueTail)
    : m_window(window), m_state(state), m_queueTail(std::move(queueTail))
{
}

int CCallStateHandler::EndedCallType() const
{
    if (m_state.callStateWord.load() == D::kOutgoing)
        return D::kTypeOutgoing;
    // A call the caller gave up on goes into the history as missed.
    return (m_state.callFlags.load() & D::kMissed) != 0 ? D::kTypeMissed : D::kTypeIncoming;
}

void CCallStateHandler::NotifySettingsView()
{
    if (m_window.IsOpen(Target::SettingsView))
        m_window.Post(Target::SettingsView, WM_SETTINGS_NOTIFY, 3, 1);
}

void CCallStateHandler::EndCallDisplay()
{
    BX_LOG(LEVEL_DM, "display end !!");
    const int type = EndedCallType();
    {
        std::lock_guard lock(m_state.mutex);
        m_state.slotIndex = 0;
    }
    m_state.noticeState = 1;
    m_window.KillTimer(kNoticeTimer);
    m_state.pendingCallEnd = 0;
    m_state.callFlags = m_state.callFlags.load() & D::kMissed;
    m_window.KillTimer(kCallTimer);
    m_window.StopPcVoice();
    m_window.KillTimer(kAnswerTimer);
    if (!D::ShowsMissedCall(m_window))
        D::ClearStatusTexts(m_window, m_state);
    if (D::PhonebooksReady(m_state))
        m_window.Send(Target::MainWindow, WM_MODEM_EVENT, 4, type);
    D::ShowRingVolume(m_window, m_state);
    m_state.callStateWord = D::kNoCall;
    m_state.alertFlag = 0;
    m_window.SetIndicator(1121, 0);
    m_window.SetIndicator(kCallIndicator, kHidden);
    NotifySettingsView();
    m_window.EnableButtons(CWindowSeam::Buttons::Connect, true);
}

void CCallStateHandler::OnIncomingIndicator(std::uint8_t previous, std::uint8_t indicator)
{
    const std::uint16_t word = m_state.callStateWord.load();
    switch (indicator) {
    case INCALL_ENDED:
        if (D::CallMarked(word))
            EndCallDisplay();
        break;
    case INCALL_ORIGINATION:
        if (word == D::kNoCall && (m_state.callFlags.load() & D::kOriginationShown) == 0) {
            BX_LOG(LEVEL_DM, "display org ");
            m_state.callFlags = m_state.callFlags.load() | D::kOriginationShown;
            m_queueTail(DM_IN_CALL);
        }
        break;
    case INCALL_NONE:
        if (m_state.lastCallState.load() == DIAG_D_RELEASE_S && m_state.pendingCallEnd.load() != 0) {
            m_window.Send(Target::MainWindow, WM_MODEM_EVENT, 4, m_state.pendingCallEnd.load());
            m_state.pendingCallEnd = 0;
        }
        break;
    case INCALL_RINGING:
        if (previous != INCALL_RINGING) {
            if (D::CallMarked(word))
                m_state.callFlags = m_state.callFlags.load() | D::kSecondCall;
            m_queueTail(DM_IN_CALL);
        }
        break;
    case INCALL_GAVE_UP:
        if (previous != INCALL_GAVE_UP) {
            m_state.callFlags = m_state.callFlags.load() | D::kMissed;
            m_queueTail(DM_IN_CALL);
        }
        break;
    default:
        break;
    }
}

void CCallStateHandler::BlinkCallIndicator()
{
    m_window.SetIndicator(kCallIndicator, m_window.LastIndicator(kCallIndicator) == kShown ? kHidden : kShown);
}

void CCallStateHandler::Ringing()
{
    if (m_state.callStateWord.load() == D::kIncoming)
        BlinkCallIndicator();
    BX_LOG(LEVEL_DM, "DIAG_D_WFA_S");
}

void CCallStateHandler::Conversation(std::uint8_t last)
{
    const std::uint16_t word = m_state.callStateWord.load();
    if (D::CallMarked(word)) {
        if (word == D::kIncoming && m_state.ringing.load())
            m_window.Post(Target::MainWindow, WM_RING_STOP, 0, 0);
        if (!m_window.PcVoiceRunning())
            m_window.StartPcVoice();
        // 131 also follows a second call announced during this conversation:
        // that must not restart the running call's timer.
        const bool running = last == kSetUpCallState && (m_state.callFlags.load() & D::kConversation) != 0;
        if (last != DIAG_D_CONV_S && !running) {
            std::string dialled;
            {
                std::lock_guard lock(m_state.mutex);
                dialled = m_state.callNumber;
                m_state.callTimer = {};
            }
            if (!D::IsEmergency(dialled))
                m_window.SetStatusText(2, {});
            m_window.StartTimer(kCallTimer, 1000);
            m_state.callFlags = D::kConversation;
            m_window.SetIndicator(kCallIndicator, 0);
            m_window.SetIndicator(4, m_state.voiceVolume.load());
            m_window.SetVolumeLabels("+ Vol", "- Vol");
        }
        if ((m_state.callFlags.load() & D::kAnswerTimer) != 0)
            BlinkCallIndicator();
        else
            m_window.SetIndicator(kCallIndicator, kShown);
        m_window.EnableButtons(CWindowSeam::Buttons::Connect, false);
    }
    BX_LOG(LEVEL_DM, "DIAG_D_CONV_S");
}

void CCallStateHandler::Release()
{
    const std::uint16_t word = m_state.callStateWord.load();
    if (D::CallMarked(word)) {
        const bool missed = (m_state.callFlags.load() & D::kMissed) != 0;
        const int type = EndedCallType();
        m_state.callFlags = m_state.callFlags.load() & D::kMissed;
        m_window.KillTimer(kCallTimer);
        m_window.KillTimer(kAnswerTimer);
        m_window.StopPcVoice();
        if (!missed && !D::ShowsMissedCall(m_window)) {
            D::ClearStatusTexts(m_window, m_state);
            m_window.SetIndicator(1, 2);
        }
        // The end-of-call message waits for the pass that sees the indicator back at 0.
        if (D::PhonebooksReady(m_state))
            m_state.pendingCallEnd = static_cast<std::uint8_t>(type);
        D::ShowRingVolume(m_window, m_state);
        m_state.callStateWord = D::kNoCall;
        NotifySettingsView();
    }
    BX_LOG(LEVEL_DM, "DIAG_D_RELEASE_S");
}

void CCallStateHandler::OnCallState(std::uint8_t code)
{
    const std::uint8_t last = m_state.lastCallState.load();
    switch (code) {
    case DIAG_D_NO_SERVICE:
        if (last != 0 && m_state.noCardCounter.load() != kNoCardLimit)
            m_window.SetIndicator(kCallIndicator, kHidden);
        break;
    case DIAG_D_INIT_S:
        if (last != code)
            m_window.SetIndicator(kCallIndicator, kHidden);
        BX_LOG(LEVEL_DM, "DIAG_D_INIT_S");
        break;
    case DIAG_D_IDLE_S:
        if (m_state.preferredMode.load() != kEvdoOnlyMode && last != code) {
            m_window.SetIndicator(kCallIndicator, kHidden);
            m_window.SetIndicator(1, 2);
        }
        break;
    case DIAG_D_VC_INIT_S: BX_LOG(LEVEL_DM, "DIAG_D_VC_INIT_S"); break;
    case DIAG_D_WFO_S: BX_LOG(LEVEL_DM, "DIAG_D_WFO_S"); break;
    case DIAG_D_WFA_S: Ringing(); break;
    case DIAG_D_CONV_S: Conversation(last); break;
    case DIAG_D_RELEASE_S: Release(); break;
    case DIAG_D_OVHD_S: BX_LOG(LEVEL_DM, "DIAG_D_OVHD_S"); break;
    case DIAG_D_ORIG_S: BX_LOG(LEVEL_DM, "DIAG_D_ORIG_S"); break;
    case DIAG_D_PAGE_RES_S: BX_LOG(LEVEL_DM, "DIAG_D_PAGE_RES_S"); break;
    case DIAG_D_ORD_RES_S: BX_LOG(LEVEL_DM, "DIAG_D_ORD_RES_S"); break;
    case DIAG_D_REG_S: BX_LOG(LEVEL_DM, "DIAG_D_REG_S"); break;
    case DIAG_D_MSG_S: BX_LOG(LEVEL_DM, "DIAG_D_MSG_S"); break;
    default: BX_LOG(LEVEL_DM, "Unknown State:0x%02x", code); break;
    }
    const bool announcing = (m_state.callFlags.load() & (D::kOriginationShown | D::kSecondCall)) != 0;
    m_state.lastCallState = code == DIAG_D_CONV_S && announcing ? kSetUpCallState : code;
}

}  // namespace brivex
