#include "link/CFrameCheck.h"

#include <array>
#include <bit>
#include <cstring>

namespace brivex {

namespace {

using Table = std::array<std::uint16_t, 256>;

// The standard table of the reflected polynomial: one step per byte.
constexpr Table MakeByteTable()
{
    Table table{};
    for (unsigned i = 0; i < 256; ++i) {
        std::uint16_t v = static_cast<std::uint16_t>(i);
        for (int b = 0; b < 8; ++b)
            v = (v & 1) ? static_cast<std::uint16_t>((v >> 1) ^ 0x8408) : static_cast<std::uint16_t>(v >> 1);
        table[i] = v;
    }
    return table;
}

// Tables for eight bytes per step: slice k holds the effect of a byte
// followed by k zero bytes, so eight lookups replace eight dependent steps.
// The result is the same as the byte table's, only with a shorter chain.
constexpr std::array<Table, 8> MakeSlices()
{
    std::array<Table, 8> slices{};
    slices[0] = MakeByteTable();
    for (std::size_t k = 1; k < slices.size(); ++k)
        for (unsigned i = 0; i < 256; ++i) {
            const std::uint16_t prev = slices[k - 1][i];
            slices[k][i] = static_cast<std::uint16_t>((prev >> 8) ^ slices[0][prev & 0xFF]);
        }
    return slices;
}

constexpr auto kSlices = MakeSlices();
constexpr const Table& kTable = kSlices[0];

inline std::uint16_t ByteStep(std::uint16_t crc, std::uint8_t byte)
{
    return static_cast<std::uint16_t>((crc >> 8) ^ kTable[(crc ^ byte) & 0xFF]);
}

}  // namespace

std::uint16_t CFrameCheck::UpdateBytewise(std::uint16_t crc, const std::uint8_t* data, std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i)
        crc = ByteStep(crc, data[i]);
    return crc;
}

std::uint16_t CFrameCheck::Update(std::uint16_t crc, const std::uint8_t* data, std::size_t length)
{
    if constexpr (std::endian::native != std::endian::little)
        return UpdateBytewise(crc, data, length);

    std::size_t i = 0;
    for (; i + 8 <= length; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, data + i, sizeof word);
        word ^= crc;
        crc = static_cast<std::uint16_t>(
            kSlices[7][word & 0xFF] ^ kSlices[6][(word >> 8) & 0xFF] ^ kSlices[5][(word >> 16) & 0xFF] ^
            kSlices[4][(word >> 24) & 0xFF] ^ kSlices[3][(word >> 32) & 0xFF] ^ kSlices[2][(word >> 40) & 0xFF] ^
            kSlices[1][(word >> 48) & 0xFF] ^ kSlices[0][word >> 56]);
    }
    for (; i < length; ++i)
        crc = ByteStep(crc, data[i]);
    return crc;
}

}  // namespace brivex
