#include "modem/CRequestPacket.h"

#include <algorithm>

namespace brivex {

CRequestPacket::CRequestPacket(std::size_t length, std::uint32_t timeoutMs)
    : m_length(std::min(length, kCapacity)), m_timeoutMs(timeoutMs)
{
}

bool CRequestPacket::Put8(std::size_t offset, std::uint8_t value)
{
    if (!Fits(offset, 1))
        return false;
    m_bytes[offset] = value;
    return true;
}

bool CRequestPacket::Put16(std::size_t offset, std::uint16_t value)
{
    if (!Fits(offset, 2))
        return false;
    m_bytes[offset] = static_cast<std::uint8_t>(value & 0xFF);
    m_bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
    return true;
}

bool CRequestPacket::Put32(std::size_t offset, std::uint32_t value)
{
    if (!Fits(offset, 4))
        return false;
    for (std::size_t i = 0; i < 4; ++i)
        m_bytes[offset + i] = static_cast<std::uint8_t>((value >> (8 * i)) & 0xFF);
    return true;
}

bool CRequestPacket::PutBytes(std::size_t offset, std::span<const std::uint8_t> bytes)
{
    if (!Fits(offset, bytes.size()))
        return false;
    std::copy(bytes.begin(), bytes.end(), m_bytes.begin() + static_cast<std::ptrdiff_t>(offset));
    return true;
}

}  // namespace brivex
