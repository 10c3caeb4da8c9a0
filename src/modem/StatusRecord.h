#pragma once

#include <cstdint>

namespace brivex {

// Which of the two layouts the status answer has; bit 7 of the service mode
// chooses.
enum class StatusLayout : std::uint8_t { Short, Long };

inline StatusLayout StatusLayoutFor(std::uint8_t serviceMode)
{
    return (serviceMode & 0x80) != 0 ? StatusLayout::Long : StatusLayout::Short;
}

// The vendor status answer (QOR_SUB_STATUS), read every poll. The signal
// values are one byte in the short layout and 32-bit in the long one.
struct StatusRecord {
    StatusLayout layout = StatusLayout::Short;
    std::uint8_t systemMode = 0;         // 0 none, 2 CDMA 1x, 4 EV-DO, other limited
    std::uint8_t hybridInEffect = 0;
    std::uint16_t rfMode = 0;
    std::uint8_t callState = 0;          // diagnostic call-state code
    std::uint8_t serviceOption = 0;
    std::uint16_t channel = 0;
    std::uint8_t bandClass = 0;
    std::uint32_t signal1x = 0;
    std::uint32_t signalEvdo = 0;
    std::uint8_t dataSystemMode = 0;     // 2 CDMA 1x, 4 EV-DO
    std::uint8_t incomingCall = 0;       // IncomingCallIndicator
    std::uint16_t newMessageCount = 0;
    std::uint8_t roaming = 0;
    std::uint8_t storageFull = 0;
    std::uint8_t serviceState = 0;
    std::uint8_t alert = 0;
};

}  // namespace brivex
