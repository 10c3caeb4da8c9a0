#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace brivex {

// Turns the MIN pair of the status answer into directory-number text
// ("(ddd) ddd-dddd"). Each digit is coded as digit - 1, with 0 coded as 10.
class CMinDecoder {
public:
    // Nothing when the pair does not decode (MIN2 above 999, low ten bits
    // of MIN1 above 999, thousands code not 1 to 10).
    static std::optional<std::string> Decode(std::uint32_t min1, std::uint16_t min2);

    // The three digits of a ten-bit coded value, "%03d" of the decoded number.
    static std::string ThreeDigits(std::uint32_t value);
};

}  // namespace brivex
