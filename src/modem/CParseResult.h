#pragma once

#include "modem/ParseError.h"

#include <utility>
#include <variant>

namespace brivex {

// The outcome of parsing one response: the typed record, or why there is
// none. Reading Value() of a failed result is a programming error; callers
// test Ok() (or the result itself) first.
template <typename T>
class CParseResult {
public:
    CParseResult(T value) : m_state(std::move(value)) {}
    CParseResult(ParseFailure failure) : m_state(failure) {}
    CParseResult(ParseError reason) : m_state(ParseFailure{reason}) {}

    bool Ok() const { return std::holds_alternative<T>(m_state); }
    explicit operator bool() const { return Ok(); }

    const T& Value() const& { return std::get<T>(m_state); }
    T& Value() & { return std::get<T>(m_state); }
    T&& Value() && { return std::get<T>(std::move(m_state)); }
    const T* operator->() const { return &std::get<T>(m_state); }
    const T& operator*() const { return std::get<T>(m_state); }

    // Why there is no record; only meaningful when !Ok().
    ParseFailure Failure() const { return Ok() ? ParseFailure{ParseError::TooShort} : std::get<ParseFailure>(m_state); }
    ParseError Error() const { return Failure().reason; }
    // The modem's result word (non-zero only for ModemRefused).
    std::uint16_t ModemResult() const { return Ok() ? 0 : std::get<ParseFailure>(m_state).modemResult; }
    bool Refused() const { return !Ok() && Error() == ParseError::ModemRefused; }

private:
    std::variant<T, ParseFailure> m_state;
};

}  // namespace brivex
