#include "link/CFrameCheck.h"

#include <array>

namespace brivex {

namespace {

constexpr std::array<std::uint16_t, 256> MakeTable()
{
    std::array<std::uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        std::uint16_t v = static_cast<std::uint16_t>(i);
        for (int b = 0; b < 8; ++b)
            v = (v & 1) ? static_cast<std::uint16_t>((v >> 1) ^ 0x8408) : static_cast<std::uint16_t>(v >> 1);
        table[i] = v;
    }
    return table;
}

constexpr auto kTable = MakeTable();

}  // namespace

std::uint16_t CFrameCheck::Update(std::uint16_t crc, const std::uint8_t* data, std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i)
        crc = static_cast<std::uint16_t>((crc >> 8) ^ kTable[(crc ^ data[i]) & 0xFF]);
    return crc;
}

}  // namespace brivex
