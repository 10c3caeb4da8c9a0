#pragma once

#include "modem/CallerIdRecord.h"

#include <cstdint>
#include <string>

namespace brivex {

class CWindowSeam;
struct CEngineState;

// What DM_IN_CALL shows once the caller ID has been read: a missed call, an
// origination the modem reported, a ringing call (with its phonebook name)
// or a waiting or redirected one, the call slots, the ring tone and the
// timers of the notice.
class CIncomingCallDisplay {
public:
    CIncomingCallDisplay(CWindowSeam& window, CEngineState& state);

    void Show(const CallerIdRecord& caller);

private:
    struct Context {
        bool missed = false;       // call flag 0x04 was set
        bool waiting = false;      // waiting or redirected (never for a missed call)
        bool marked = false;       // a call was marked before this one
        std::uint16_t word = 0;    // call state word before this call
    };

    void Withheld(const CallerIdRecord& caller, const Context& c);
    void Missed(const CallerIdRecord& caller);
    void Origination(const CallerIdRecord& caller);
    void Ringing(const CallerIdRecord& caller, const Context& c);
    void Redirection(const CallerIdRecord& caller);
    void UpdateFlags(const Context& c);
    void Announce(const Context& c);

    CWindowSeam& m_window;
    CEngineState& m_state;
};

}  // namespace brivex
