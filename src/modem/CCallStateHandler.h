#pragma once

#include <cstdint>
#include <functional>

namespace brivex {

class CWindowSeam;
struct CEngineState;

// The call side of the status poll: the incoming-call indicator of the status
// record (call ended, origination, ringing, caller gave up, the end-of-call
// message after a release) and the diagnostic call-state code (ringing,
// conversation, release ...), with the indicators, timers, status lines and
// window messages they drive. It touches only the window and the shared
// state; queueing DM_IN_CALL goes through the given function.
class CCallStateHandler {
public:
    using QueueTail = std::function<void(std::uint16_t command)>;

    // Main-window timers the call display uses.
    static constexpr int kCallTimer = 104;
    static constexpr int kAnswerTimer = 108;
    static constexpr int kNoticeTimer = 115;
    static constexpr int kCallStartTimer = 1000;
    static constexpr std::uint8_t kEvdoCallState = 129;
    static constexpr std::uint8_t kSetUpCallState = 131;

    CCallStateHandler(CWindowSeam& window, CEngineState& state, QueueTail queueTail);

    // The status record's incoming-call indicator; previous is the value of
    // the pass before (ringing and given-up act on the change only).
    void OnIncomingIndicator(std::uint8_t previous, std::uint8_t indicator);

    // The call-state code of a pass outside EV-DO service; afterwards it is
    // the last call-state code (131 for a conversation while an origination
    // or a second call is being announced).
    void OnCallState(std::uint8_t code);

    // Ends the call display when the modem reports the call ended.
    void EndCallDisplay();

private:
    void Ringing();
    void Conversation(std::uint8_t last);
    void Release();
    // 1044 alternates between shown (128) and hidden (129).
    void BlinkCallIndicator();
    void NotifySettingsView();
    int EndedCallType() const;

    CWindowSeam& m_window;
    CEngineState& m_state;
    QueueTail m_queueTail;
};

}  // namespace brivex
