#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace brivex {

// Bounds-checked little-endian reads from a received packet. A read that
// does not lie wholly inside the bytes that arrived yields 0 (or nothing) and
// sets the sticky overrun flag, so a parser can check once at the end that it
// never read past the answer.
class CByteReader {
public:
    explicit CByteReader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    std::size_t Size() const { return m_bytes.size(); }
    // True when the answer reaches at least to offset end (exclusive).
    bool Has(std::size_t end) const { return end <= m_bytes.size(); }
    bool Has(std::size_t offset, std::size_t count) const
    {
        return offset <= m_bytes.size() && count <= m_bytes.size() - offset;
    }
    bool Overrun() const { return m_overrun; }

    std::uint8_t U8(std::size_t offset) const;
    std::uint16_t U16(std::size_t offset) const;
    std::uint32_t U32(std::size_t offset) const;
    // The bytes of a field; empty (and an overrun) when it did not arrive whole.
    std::span<const std::uint8_t> Field(std::size_t offset, std::size_t count) const;
    // A zero-padded text field: its bytes up to the first zero, at most count.
    std::string Text(std::size_t offset, std::size_t count) const;

private:
    std::span<const std::uint8_t> m_bytes;
    mutable bool m_overrun = false;
};

}  // namespace brivex
