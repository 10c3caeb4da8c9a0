#include "modem/CMinDecoder.h"

#include <cstdio>

namespace brivex {

namespace {

constexpr std::uint32_t kMin1Bits = 0xFFFFFF;
constexpr std::uint32_t kTenBits = 0x3FF;

}  // namespace

std::string CMinDecoder::ThreeDigits(std::uint32_t value)
{
    const bool lastIsZero = value % 10 == 9;
    const bool middleIsZero = (value / 10) % 10 == 9;
    const bool firstIsZero = value / 100 == 9;
    long decoded = static_cast<long>(value) + (lastIsZero ? 101 : 111);
    if (middleIsZero)
        decoded -= 100;
    if (firstIsZero)
        decoded -= 1000;
    char text[16];
    std::snprintf(text, sizeof text, "%03ld", decoded);
    return text;
}

std::optional<std::string> CMinDecoder::Decode(std::uint32_t min1, std::uint16_t min2)
{
    min1 &= kMin1Bits;
    const std::uint32_t areaCode = min2 & kTenBits;
    const std::uint32_t lastThree = min1 & kTenBits;
    const std::uint32_t thousands = (min1 >> 10) & 0x0F;
    const std::uint32_t firstThree = (min1 >> 14) & kTenBits;
    if (areaCode > 999 || lastThree > 999 || thousands < 1 || thousands > 10)
        return std::nullopt;

    std::string text;
    if (areaCode != 0)
        text += "(" + ThreeDigits(areaCode) + ") ";
    if (min1 == 0)
        return text;
    text += ThreeDigits(firstThree);
    text += '-';
    text += static_cast<char>(thousands == 10 ? '0' : '0' + thousands);
    text += ThreeDigits(lastThree);
    return text;
}

}  // namespace brivex
