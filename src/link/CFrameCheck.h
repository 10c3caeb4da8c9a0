#pragma once

#include <cstddef>
#include <cstdint>

namespace brivex {

// The 16-bit frame check sequence of the diagnostic framing (CRC-16/X-25:
// reflected polynomial 0x8408, initial value 0xFFFF, final complement).
class CFrameCheck {
public:
    static constexpr std::uint16_t kInit = 0xFFFF;
    static constexpr std::uint16_t kGood = 0xF0B8;  // residue over data + check bytes

    // The table computation without the final complement. It takes eight
    // bytes per step; the result is that of one table step per byte.
    static std::uint16_t Update(std::uint16_t crc, const std::uint8_t* data, std::size_t length);
    // One table step per byte: crc = (crc >> 8) ^ table[(crc ^ byte) & 0xFF].
    static std::uint16_t UpdateBytewise(std::uint16_t crc, const std::uint8_t* data, std::size_t length);
    // The check sequence sent after a packet (complemented).
    static std::uint16_t Compute(const std::uint8_t* data, std::size_t length)
    {
        return static_cast<std::uint16_t>(~Update(kInit, data, length));
    }
    // True when data followed by its two check bytes ends at the good residue.
    static bool IsGood(const std::uint8_t* dataWithCheck, std::size_t length)
    {
        return Update(kInit, dataWithCheck, length) == kGood;
    }
};

}  // namespace brivex
