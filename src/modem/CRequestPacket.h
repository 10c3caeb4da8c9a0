#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace brivex {

// One request to the modem: its exact bytes (unnamed bytes are 0), its length
// and the transaction time-out its caller uses. The capacity is the longest
// request the program sends (the SMS send record). Writes are little-endian
// and bounded by the packet's length; a write outside it is refused.
class CRequestPacket {
public:
    static constexpr std::size_t kCapacity = 311;

    CRequestPacket(std::size_t length, std::uint32_t timeoutMs);

    const std::uint8_t* data() const { return m_bytes.data(); }
    std::size_t size() const { return m_length; }
    std::span<const std::uint8_t> Bytes() const { return {m_bytes.data(), m_length}; }
    std::vector<std::uint8_t> ToVector() const { return {m_bytes.begin(), m_bytes.begin() + m_length}; }
    std::uint8_t operator[](std::size_t offset) const { return offset < m_length ? m_bytes[offset] : 0; }
    std::uint32_t TimeoutMs() const { return m_timeoutMs; }

    bool Put8(std::size_t offset, std::uint8_t value);
    bool Put16(std::size_t offset, std::uint16_t value);
    bool Put32(std::size_t offset, std::uint32_t value);
    bool PutBytes(std::size_t offset, std::span<const std::uint8_t> bytes);

private:
    bool Fits(std::size_t offset, std::size_t count) const { return offset <= m_length && count <= m_length - offset; }

    std::array<std::uint8_t, kCapacity> m_bytes{};
    std::size_t m_length;
    std::uint32_t m_timeoutMs;
};

}  // namespace brivex
