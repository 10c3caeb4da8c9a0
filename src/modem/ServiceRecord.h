#pragma once

#include <cstdint>

namespace brivex {

// The service answer (QOR_SUB_SERVICE).
struct ServiceRecord {
    static constexpr std::uint8_t kLongLayoutBit = 0x80;

    std::uint8_t serviceMode = 0;     // bit 7: the status record uses the long layout
    std::uint8_t indicatorValue = 0;  // for main-window indicator 1121
    std::uint8_t asciiSmsLimit = 0;
    std::uint8_t unicodeSmsLimit = 0;
    std::uint8_t callbackLimit = 0;
    std::uint8_t voiceVolume = 0;
    std::uint8_t ringVolume = 0;

    bool LongStatusLayout() const { return (serviceMode & kLongLayoutBit) != 0; }
};

}  // namespace brivex
