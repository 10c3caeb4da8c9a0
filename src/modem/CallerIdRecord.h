#pragma once

#include <cstdint>
#include <string>

namespace brivex {

// The caller-ID answer (QOR_SUB_CALLER_ID).
struct CallerIdRecord {
    static constexpr std::size_t kMaxNumber = 63;
    static constexpr std::size_t kTextField = 31;

    std::uint8_t presentation = 0;       // 1 restricted, 2 unavailable, other: number present
    std::uint8_t numberLength = 0;       // as the modem sent it
    std::string number;                  // at most 63 characters
    std::string secondNumber;            // shown with the first
    std::string redirectingNumber;
    std::uint8_t callWaiting = 0;        // [203]
    std::string redirectingName;
    std::uint8_t callWaiting2 = 0;       // [268]
    std::uint8_t redirectionPresentation = 0;  // [269]: 1 restricted, 2 unavailable

    // The call is waiting or redirected.
    bool WaitingOrRedirected() const { return callWaiting != 0 || callWaiting2 != 0 || redirectionPresentation != 0; }
};

}  // namespace brivex
