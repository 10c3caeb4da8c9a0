#pragma once

#include "CSimModemState.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brivex::sim {

// Turns one diagnostic request into its answer as the modem would, changing
// the state on the way (call state on key presses and origination, card
// retries, SMS and phonebook stores). A request it does not know, or one too
// short for the fields it carries, gets no answer; the note says why.
class CSimDiagHandler {
public:
    using Bytes = std::vector<std::uint8_t>;

    static constexpr std::uint8_t kKeySend = 0x50;
    static constexpr std::uint8_t kKeyEnd = 0x51;
    // A non-zero vendor result the simulator gives for a refused request.
    static constexpr std::uint16_t kRefused = 1;

    // Called with the simulator's lock held.
    static std::optional<Bytes> Handle(const std::uint8_t* request, std::size_t length, CSimModemState& state,
                                       std::string& note);

    // The call moves a control command starts (also used by the key presses).
    static void IncomingCall(CSimModemState& state, const CSimModemState::CallerId& caller);
    static void CallerGaveUp(CSimModemState& state);
    static void ReleaseCall(CSimModemState& state);

private:
    static std::optional<Bytes> General(const std::uint8_t* request, std::size_t length, CSimModemState& state,
                                        std::string& note);
    static std::optional<Bytes> Sms(const std::uint8_t* request, std::size_t length, CSimModemState& state,
                                    std::string& note);
    static std::optional<Bytes> Phonebook(const std::uint8_t* request, std::size_t length, CSimModemState& state,
                                          std::string& note);
    static std::optional<Bytes> Card(const std::uint8_t* request, std::size_t length, CSimModemState& state,
                                     std::string& note);
    static std::optional<Bytes> NvRelay(const std::uint8_t* request, std::size_t length, CSimModemState& state,
                                        std::string& note);
    static Bytes KeyPress(const std::uint8_t* request, std::size_t length, CSimModemState& state);
    static Bytes Originate(const std::uint8_t* request, std::size_t length, CSimModemState& state);
    static Bytes StatusRecord(CSimModemState& state);
    static Bytes SmsSend(const std::uint8_t* request, std::size_t length, CSimModemState& state);
    static Bytes PbRead(const std::uint8_t* request, CSimModemState& state);
    static Bytes PbWrite(const std::uint8_t* request, std::size_t length, CSimModemState& state);
    static Bytes Verify(const std::uint8_t* request, CSimModemState& state);
    static Bytes Unblock(const std::uint8_t* request, CSimModemState& state);
};

}  // namespace brivex::sim
