#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace brivex::test {

// A response laid out byte by byte for the parser tests: zeros of a given
// length, then fields written little-endian at their offsets.
class AnswerBytes {
public:
    explicit AnswerBytes(std::size_t length) : m_bytes(length, 0) {}

    static AnswerBytes Vendor(std::uint8_t code, std::uint16_t sub, std::size_t length)
    {
        AnswerBytes answer(length);
        answer.U8(0, code).U16(1, sub);
        return answer;
    }

    AnswerBytes& U8(std::size_t at, std::uint8_t v) { return Put(at, v, 1); }
    AnswerBytes& U16(std::size_t at, std::uint16_t v) { return Put(at, v, 2); }
    AnswerBytes& U32(std::size_t at, std::uint32_t v) { return Put(at, v, 4); }
    AnswerBytes& Text(std::size_t at, std::string_view text)
    {
        for (std::size_t i = 0; i < text.size(); ++i)
            U8(at + i, static_cast<std::uint8_t>(text[i]));
        return *this;
    }
    AnswerBytes& Raw(std::size_t at, std::initializer_list<std::uint8_t> bytes)
    {
        std::size_t i = at;
        for (std::uint8_t b : bytes)
            U8(i++, b);
        return *this;
    }

    const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }
    std::span<const std::uint8_t> Span() const { return m_bytes; }
    operator std::span<const std::uint8_t>() const { return m_bytes; }

private:
    AnswerBytes& Put(std::size_t at, std::uint32_t v, std::size_t count)
    {
        if (m_bytes.size() < at + count)
            m_bytes.resize(at + count, 0);
        for (std::size_t i = 0; i < count; ++i)
            m_bytes[at + i] = static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF);
        return *this;
    }

    std::vector<std::uint8_t> m_bytes;
};

// "CF 00 00" to its bytes.
inline std::vector<std::uint8_t> Hex(std::string_view text)
{
    std::vector<std::uint8_t> bytes;
    std::string digits;
    for (char c : text) {
        if (c == ' ')
            continue;
        digits.push_back(c);
        if (digits.size() == 2) {
            bytes.push_back(static_cast<std::uint8_t>(std::stoul(digits, nullptr, 16)));
            digits.clear();
        }
    }
    return bytes;
}

}  // namespace brivex::test
