#include "modem/CByteReader.h"

#include <algorithm>

namespace brivex {

std::uint8_t CByteReader::U8(std::size_t offset) const
{
    if (!Has(offset, 1)) {
        m_overrun = true;
        return 0;
    }
    return m_bytes[offset];
}

std::uint16_t CByteReader::U16(std::size_t offset) const
{
    if (!Has(offset, 2)) {
        m_overrun = true;
        return 0;
    }
    return static_cast<std::uint16_t>(m_bytes[offset] | (m_bytes[offset + 1] << 8));
}

std::uint32_t CByteReader::U32(std::size_t offset) const
{
    if (!Has(offset, 4)) {
        m_overrun = true;
        return 0;
    }
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(m_bytes[offset + i]) << (8 * i);
    return value;
}

std::span<const std::uint8_t> CByteReader::Field(std::size_t offset, std::size_t count) const
{
    if (!Has(offset, count)) {
        m_overrun = true;
        return {};
    }
    return m_bytes.subspan(offset, count);
}

std::string CByteReader::Text(std::size_t offset, std::size_t count) const
{
    const auto field = Field(offset, count);
    const auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
    return {field.begin(), end};
}

}  // namespace brivex
