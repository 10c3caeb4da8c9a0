#pragma once

#include "modem/CParseResult.h"
#include "modem/CRequestPacket.h"
#include "modem/NvReadRecord.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace brivex {

// NV item reads through the vendor relay (0xD5). The relay exists only on a
// modem whose diagnostic interface sits on its own device (modem type 2);
// for any other type no request is built and the read counts as failed.
class CNvRelayPackets {
public:
    static constexpr std::size_t kRequestLength = 24;
    static constexpr std::size_t kDigitsOffset = 9;

    static std::optional<CRequestPacket> BuildRead(std::uint16_t item, int modemType);
    // Reads the fields of that item; the own number's digit count must not
    // run past the answer (TooShort).
    static CParseResult<NvReadRecord> ParseReadResponse(std::span<const std::uint8_t> response, std::uint16_t item);

    // The own number as the program stores it: the digits, or "----------"
    // when any of them is not 0 to 9.
    static std::string DirectoryNumberText(const NvReadRecord& record);
};

}  // namespace brivex
