#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace brivex {

// The alphabets of phonebook names; the first name byte decides:
//   bit 7 clear  plain 8-bit text, up to 65 bytes;
//   0x80         the following 64 bytes are UCS-2, high byte first;
//   0x81         count n, base b, then n bytes: bit 7 set is b * 128 + (byte & 0x7F);
//   0x82         count n, 16-bit base B (high byte first), then n bytes: bit 7 set is B + (byte & 0x7F);
// a byte with bit 7 clear in the last two stands for itself.
class CCardNameAlphabet {
public:
    static constexpr std::size_t kFieldSize = 65;

    // The name's UCS-2 characters. Zero ends a plain or 0x80 name; counts
    // are bounded by the bytes given; a first byte above 0x82 is no name.
    static std::u16string Decode(std::span<const std::uint8_t> name);

    // UCS-2 characters as the program keeps them: high byte first.
    static std::vector<std::uint8_t> ToBigEndian(const std::u16string& name);

    // The card coding of a new name: ASCII as it is, otherwise 0x80 and the
    // characters in UCS-2, high byte first. The size is the name length
    // byte; nothing when the name does not fit the 65-byte field.
    static std::optional<std::vector<std::uint8_t>> Encode(const std::u16string& name);
};

}  // namespace brivex
