#include "modem/CCardNameAlphabet.h"

#include <algorithm>

namespace brivex {

namespace {

constexpr std::uint8_t kUcs2 = 0x80;
constexpr std::uint8_t kOneByteBase = 0x81;
constexpr std::uint8_t kTwoByteBase = 0x82;
constexpr std::size_t kUcs2Bytes = 64;

std::u16string DecodePlain(std::span<const std::uint8_t> name)
{
    std::u16string text;
    for (std::uint8_t byte : name.first(std::min(name.size(), CCardNameAlphabet::kFieldSize))) {
        if (byte == 0)
            break;
        text.push_back(byte);
    }
    return text;
}

std::u16string DecodeUcs2(std::span<const std::uint8_t> bytes)
{
    std::u16string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const char16_t c = static_cast<char16_t>((bytes[i] << 8) | bytes[i + 1]);
        if (c == 0)
            break;
        text.push_back(c);
    }
    return text;
}

// n characters after the header; a byte with bit 7 set is an offset from base.
std::u16string DecodeWithBase(std::span<const std::uint8_t> bytes, std::size_t count, std::uint32_t base)
{
    std::u16string text;
    for (std::uint8_t byte : bytes.first(std::min(count, bytes.size()))) {
        if (byte & 0x80)
            text.push_back(static_cast<char16_t>((base + (byte & 0x7F)) & 0xFFFF));
        else
            text.push_back(byte);
    }
    return text;
}

}  // namespace

std::u16string CCardNameAlphabet::Decode(std::span<const std::uint8_t> name)
{
    name = name.first(std::min(name.size(), kFieldSize));
    if (name.empty())
        return {};
    const std::uint8_t marker = name[0];
    if ((marker & 0x80) == 0)
        return DecodePlain(name);
    if (marker == kUcs2)
        return DecodeUcs2(name.subspan(1, std::min(name.size() - 1, kUcs2Bytes)));
    if (marker == kOneByteBase && name.size() >= 3)
        return DecodeWithBase(name.subspan(3), name[1], static_cast<std::uint32_t>(name[2]) * 128);
    if (marker == kTwoByteBase && name.size() >= 4)
        return DecodeWithBase(name.subspan(4), name[1], static_cast<std::uint32_t>((name[2] << 8) | name[3]));
    return {};
}

std::vector<std::uint8_t> CCardNameAlphabet::ToBigEndian(const std::u16string& name)
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(2 * name.size());
    for (char16_t c : name) {
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    }
    return bytes;
}

std::optional<std::vector<std::uint8_t>> CCardNameAlphabet::Encode(const std::u16string& name)
{
    const bool ascii = std::all_of(name.begin(), name.end(), [](char16_t c) { return c < 0x80; });
    if (ascii) {
        if (name.size() > kFieldSize)
            return std::nullopt;
        return std::vector<std::uint8_t>(name.begin(), name.end());
    }
    if (2 * name.size() > kUcs2Bytes)
        return std::nullopt;
    std::vector<std::uint8_t> bytes{kUcs2};
    const auto ucs2 = ToBigEndian(name);
    bytes.insert(bytes.end(), ucs2.begin(), ucs2.end());
    return bytes;
}

}  // namespace brivex
