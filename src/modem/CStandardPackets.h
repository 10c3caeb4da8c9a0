#pragma once

#include "modem/AckRecord.h"
#include "modem/CParseResult.h"
#include "modem/CRequestPacket.h"
#include "modem/DiagStatusRecord.h"
#include "modem/VersionRecord.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace brivex {

// The standard diagnostic commands: version, status, key press and call
// origination. Their answers carry no result word; the code alone marks them.
class CStandardPackets {
public:
    static constexpr std::size_t kVersionLength = 52;       // through the hardware version
    static constexpr std::size_t kStatusLength = 22;        // through MIN2
    static constexpr std::size_t kMaxDialDigits = 32;

    static CRequestPacket BuildVersionRequest();
    static CParseResult<VersionRecord> ParseVersionResponse(std::span<const std::uint8_t> response);

    static CRequestPacket BuildStatusRequest();
    static CParseResult<DiagStatusRecord> ParseStatusResponse(std::span<const std::uint8_t> response);

    // The hold flag is KeyHoldFlag's.
    static CRequestPacket BuildKeyPress(std::uint8_t key, bool hold);
    static CParseResult<AckRecord> ParseKeyPressResponse(std::span<const std::uint8_t> response);
    // 1 for a key other than SEND, END and CLR while the DTMF hold setting is on.
    static bool KeyHoldFlag(std::uint8_t key, bool dtmfHoldOn);

    // Nothing when there are more than 32 digits.
    static std::optional<CRequestPacket> BuildCallOrigination(std::string_view digits);
    static CParseResult<AckRecord> ParseCallOriginationResponse(std::span<const std::uint8_t> response);
};

}  // namespace brivex
