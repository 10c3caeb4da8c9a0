#pragma once

#include <cstdint>

namespace brivex {

// Why a response was not taken. Every reason is a failed transaction to the
// caller, except ModemRefused, which is the modem's own non-zero result.
enum class ParseError : std::uint8_t {
    TooShort,         // fewer bytes than the fields the parser reads
    WrongCode,        // byte 0 is not the request's command code
    WrongSubCommand,  // bytes 1..2 are not the request's sub-command
    ModemRefused,     // the 16-bit result at 3..4 is not 0
    BadCount,         // a count or length the modem sent does not fit what arrived or its field
};

struct ParseFailure {
    ParseError reason;
    std::uint16_t modemResult = 0;  // the result word when the modem refused
};

inline const char* ParseErrorName(ParseError error)
{
    switch (error) {
    case ParseError::TooShort: return "too short";
    case ParseError::WrongCode: return "wrong code";
    case ParseError::WrongSubCommand: return "wrong sub-command";
    case ParseError::ModemRefused: return "modem refused";
    case ParseError::BadCount: return "bad count";
    }
    return "unknown";
}

}  // namespace brivex
