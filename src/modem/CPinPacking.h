#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace brivex {

// The 8-byte code fields of the card requests: the code's digits in ASCII,
// every position after the last digit 0xFF. Only the code's leading digits
// are packed (at most eight); anything from the first other character on is
// not part of the code.
class CPinPacking {
public:
    static constexpr std::size_t kFieldSize = 8;
    static constexpr std::uint8_t kFiller = 0xFF;

    static std::array<std::uint8_t, kFieldSize> Pack(std::string_view code);
};

}  // namespace brivex
