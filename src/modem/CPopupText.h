#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace brivex {

// The text the new-message pop-up shows: the message's text bytes (already
// cut to its text length) read by its encoding, at most 229 of them:
// UTF-16 little-endian for 4 (Unicode), 8-bit text for every other encoding
// (2 7-bit ASCII, 3 IA5, 16 8-bit). The result is UTF-8; a zero ends it.
class CPopupText {
public:
    static constexpr std::size_t kMaxBytes = 229;
    static constexpr std::uint8_t kUnicode = 4;

    static std::string Decode(std::uint8_t encoding, std::span<const std::uint8_t> text);
};

}  // namespace brivex
