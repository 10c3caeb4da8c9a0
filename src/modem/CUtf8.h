#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace brivex {

// Turns the modem's texts (UCS-2 phonebook names, UTF-16 and 8-bit message
// texts) into the UTF-8 the store and the windows use.
class CUtf8 {
public:
    static constexpr char32_t kReplacement = 0xFFFD;

    // UTF-16 units; a zero unit ends the text, a surrogate without its
    // partner becomes U+FFFD.
    static std::string FromUtf16(std::u16string_view text);
    // UTF-16 little-endian bytes (an odd last byte is dropped).
    static std::string FromUtf16Le(std::span<const std::uint8_t> bytes);
    // 8-bit text, one character per byte (ISO 8859-1); a zero byte ends it.
    static std::string FromLatin1(std::span<const std::uint8_t> bytes);

private:
    static void Append(std::string& out, char32_t c);
};

}  // namespace brivex
