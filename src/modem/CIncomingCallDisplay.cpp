#include "modem/CIncomingCallDisplay.h"

#include "app/CConfig.h"
#include "app/CDebugViews.h"
#include "modem/CCallDisplay.h"
#include "modem/CCallStateHandler.h"
#include "modem/CEngineState.h"
#include "modem/CWindowSeam.h"
#include "modem/DiagCommands.h"
#include "modem/WorkerCommands.h"

#include <mutex>

namespace brivex {

namespace {

using Target = CWindowSeam::Target;
using D = CCallDisplay;

constexpr int kAnswerTimeoutMs = 20000;
constexpr int kCallStartDelayMs = 100;

const char* WithheldWord(std::uint8_t presentation)
{
    return presentation == PRESENTATION_RESTRICTED ? "Restricted" : "Unavailable";
}

bool IsWithheld(std::uint8_t presentation)
{
    return presentation == PRESENTATION_RESTRICTED || presentation == PRESENTATION_UNAVAILABLE;
}

}  // namespace

CIncomingCallDisplay::CIncomingCallDisplay(CWindowSeam& window, CEngineState& state) : m_window(window), m_state(state)
{
}

void CIncomingCallDisplay::Show(const CallerIdRecord& caller)
{
    Context c;
    c.missed = (m_state.callFlags.load() & D::kMissed) != 0;
    c.waiting = caller.WaitingOrRedirected() && !c.missed;
    c.word = m_state.callStateWord.load();
    c.marked = D::CallMarked(c.word);
    {
        // The call texts belong to the call already up while a second one is announced.
        std::lock_guard lock(m_state.mutex);
        if (!c.marked || c.missed) {
            m_state.callNumber.clear();
            m_state.secondNumber.clear();
            m_state.redirectingNumber.clear();
            m_state.redirectingName.clear();
        }
    }

    if (IsWithheld(caller.presentation))
        Withheld(caller, c);
    else if (c.missed)
        Missed(caller);
    else if ((m_state.callFlags.load() & D::kOriginationShown) != 0)
        Origination(caller);
    else
        Ringing(caller, c);

    if (c.waiting)
        Redirection(caller);
    UpdateFlags(c);
}

void CIncomingCallDisplay::Announce(const Context& c)
{
    // The word is set first: the window's handlers of both posts read it.
    m_state.callStateWord = D::kIncoming;
    if (!c.marked)
        m_window.Post(Target::MainWindow, WM_RING_START, 0, 0);
    m_window.Post(Target::MainWindow, WM_BRING_FRONT, 1, 0);
}

void CIncomingCallDisplay::Withheld(const CallerIdRecord& caller, const Context& c)
{
    const std::string word = WithheldWord(caller.presentation);
    if (c.missed) {
        const bool conversation = (m_state.callFlags.load() & D::kConversation) != 0;
        m_state.callFlags = m_state.callFlags.load() & ~D::kMissed;
        // A second call given up on leaves the call that is up as it is.
        if (!conversation)
            m_state.callStateWord = D::kNoCall;
        m_window.Post(Target::MainWindow, WM_RING_STOP, 0, 0);
        D::SetMainText(m_window, m_state, "Missed call\n" + word);
        D::ClearLowerLines(m_window);
    } else {
        D::TakeSlot(m_state, {}, word);
        if (c.waiting) {
            D::SetMainText(m_window, m_state, "Incoming call\n" + word);
        } else {
            D::SetMainText(m_window, m_state, word);
            if (caller.callWaiting == 0 && caller.callWaiting2 == 0) {
                const char* line = c.marked ? "Call Waiting"
                                   : caller.presentation == PRESENTATION_RESTRICTED ? "Incomming call"
                                                                                    : "Incoming call";
                m_window.SetStatusText(2, line);
            }
        }
        Announce(c);
    }
    if (caller.presentation == PRESENTATION_UNAVAILABLE || !c.missed)
        CConfig::Write(keys::CallId, "");
}

void CIncomingCallDisplay::Missed(const CallerIdRecord& caller)
{
    const std::string text = "Missed call\n" + (caller.number.empty() ? std::string("Unknown") : caller.number);
    const bool conversation = (m_state.callFlags.load() & D::kConversation) != 0;
    m_state.callFlags = m_state.callFlags.load() & ~D::kMissed;
    // A second call given up on leaves the call that is up as it is.
    if (!conversation)
        m_state.callStateWord = D::kNoCall;
    {
        std::lock_guard lock(m_state.mutex);
        m_state.callNumber = caller.number;
        m_state.secondNumber = caller.secondNumber;
    }
    m_window.Send(Target::MainWindow, WM_MODEM_EVENT, 13, 0);
    m_window.Post(Target::MainWindow, WM_RING_STOP, 0, 0);
    D::SetMainText(m_window, m_state, text);
}

void CIncomingCallDisplay::Origination(const CallerIdRecord& caller)
{
    m_state.callStateWord = D::kOutgoing;
    m_window.SetStatusText(2, "Outgoing call");
    m_window.StartTimer(CCallStateHandler::kCallStartTimer, kCallStartDelayMs);
    {
        std::lock_guard lock(m_state.mutex);
        m_state.callNumber = caller.number;
    }
    m_window.Send(Target::MainWindow, WM_MODEM_EVENT, 4, D::kDisplayOnly);
}

void CIncomingCallDisplay::Ringing(const CallerIdRecord& caller, const Context& c)
{
    {
        std::lock_guard lock(m_state.mutex);
        if (!c.marked) {
            m_state.callNumber = caller.number;
            m_state.secondNumber = caller.secondNumber;
        }
    }
    const std::string name = D::LookUpName(m_window, caller.number);
    std::string slotName;
    if (!name.empty()) {
        D::SetMainText(m_window, m_state, name + "\n" + caller.number);
        slotName = name;
    } else if (!caller.secondNumber.empty()) {
        D::SetMainText(m_window, m_state, caller.secondNumber + "\n" + caller.number);
        slotName = caller.secondNumber;
    } else {
        D::SetMainText(m_window, m_state, "\n" + caller.number);
    }
    D::TakeSlot(m_state, caller.number, slotName);
    if (!c.waiting)
        m_window.SetStatusText(2, c.marked ? "Call Waiting" : "Incoming call");
    Announce(c);
}

void CIncomingCallDisplay::Redirection(const CallerIdRecord& caller)
{
    if (caller.redirectionPresentation == PRESENTATION_RESTRICTED ||
        caller.redirectionPresentation == PRESENTATION_UNAVAILABLE) {
        m_window.SetStatusText(2, "Redirected call");
        m_window.SetStatusText(3, WithheldWord(caller.redirectionPresentation));
        return;
    }
    {
        std::lock_guard lock(m_state.mutex);
        m_state.redirectingNumber = caller.redirectingNumber;
        m_state.redirectingName = caller.redirectingName;
    }
    const std::string name =
        caller.redirectingNumber.empty() ? std::string() : D::LookUpName(m_window, caller.redirectingNumber);
    m_window.SetStatusText(2, name.empty() ? caller.redirectingName : name);
    m_window.SetStatusText(3, caller.redirectingNumber);
}

void CIncomingCallDisplay::UpdateFlags(const Context& c)
{
    std::uint8_t flags = m_state.callFlags.load();
    if ((flags & D::kOriginationShown) != 0) {
        m_state.callFlags = flags & ~D::kOriginationShown;
        return;
    }
    flags &= ~D::kSecondCall;
    // A call announced during a conversation: the notice ends by itself after 20 s.
    const bool notice = (flags & D::kConversation) != 0 && !c.missed;
    if (notice)
        flags |= D::kAnswerTimer;
    m_state.callFlags = flags;
    if (notice) {
        m_window.KillTimer(CCallStateHandler::kAnswerTimer);
        m_window.StartTimer(CCallStateHandler::kAnswerTimer, kAnswerTimeoutMs);
    }
    if ((flags & D::kAnswerTimer) == 0 && !c.missed)
        m_window.StartTimer(CCallStateHandler::kCallStartTimer, kCallStartDelayMs);
}

}  // namespace brivex
