#pragma once

#include "modem/CParseResult.h"
#include "modem/CRequestPacket.h"
#include "modem/CardStatusRecord.h"
#include "modem/ChvResultRecord.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace brivex {

// The card vendor commands (0xD2): card status, PIN verification and PIN
// unblocking. Codes are packed by CPinPacking.
class CCardPackets {
public:
    static constexpr std::size_t kStatusLength = 9;
    static constexpr std::size_t kChvResultLength = 9;

    static CRequestPacket BuildStatusRequest();
    static CParseResult<CardStatusRecord> ParseStatusResponse(std::span<const std::uint8_t> response);

    static CRequestPacket BuildVerifyChv(std::string_view pin);
    static CParseResult<ChvResultRecord> ParseVerifyChvResponse(std::span<const std::uint8_t> response);

    static CRequestPacket BuildUnblockChv(std::string_view unblockCode, std::string_view newPin);
    static CParseResult<ChvResultRecord> ParseUnblockChvResponse(std::span<const std::uint8_t> response);
};

}  // namespace brivex
