#pragma once

#include "modem/AckRecord.h"
#include "modem/BannerRecord.h"
#include "modem/BatteryRecord.h"
#include "modem/CParseResult.h"
#include "modem/CRequestPacket.h"
#include "modem/CallerIdRecord.h"
#include "modem/DataRateRecord.h"
#include "modem/InfoVersionRecord.h"
#include "modem/ServiceRecord.h"
#include "modem/StatusRecord.h"

#include <cstdint>
#include <span>

namespace brivex {

// The general vendor commands (0xCF): service, status, caller ID, system
// selection, data rates, version, battery, network banner and PC voice.
class CGeneralPackets {
public:
    static constexpr std::size_t kServiceLength = 12;
    static constexpr std::size_t kStatusShortLength = 26;
    static constexpr std::size_t kStatusLongLength = 31;
    static constexpr std::size_t kCallerIdLength = 270;
    static constexpr std::size_t kOneXRateLength = 7;
    static constexpr std::size_t kEvdoRateLength = 13;
    static constexpr std::size_t kInfoVersionLength = 11;
    static constexpr std::size_t kBatteryLength = 19;
    static constexpr std::size_t kBannerTextOffset = 7;

    static CRequestPacket BuildServiceRequest();
    static CParseResult<ServiceRecord> ParseServiceResponse(std::span<const std::uint8_t> response);

    static CRequestPacket BuildStatusRequest();
    static CParseResult<StatusRecord> ParseStatusResponse(std::span<const std::uint8_t> response, StatusLayout layout);

    static CRequestPacket BuildCallerIdRequest();
    static CParseResult<CallerIdRecord> ParseCallerIdResponse(std::span<const std::uint8_t> response);

    // A missing hybrid value goes out as 0xFFFF.
    static CRequestPacket BuildSystemSelect(std::uint16_t preferredMode, std::uint16_t hybridPreference);
    static CParseResult<AckRecord> ParseSystemSelectResponse(std::span<const std::uint8_t> response);

    static CRequestPacket BuildOneXDataRateRequest();
    static CParseResult<OneXDataRateRecord> ParseOneXDataRateResponse(std::span<const std::uint8_t> response);

    static CRequestPacket BuildEvdoDataRateRequest();
    static CParseResult<EvdoDataRateRecord> ParseEvdoDataRateResponse(std::span<const std::uint8_t> response);

    static CRequestPacket BuildInfoVersionRequest();
    static CParseResult<InfoVersionRecord> ParseInfoVersionResponse(std::span<const std::uint8_t> response);

    static CRequestPacket BuildBatteryRequest();
    static CParseResult<BatteryRecord> ParseBatteryResponse(std::span<const std::uint8_t> response);

    static CRequestPacket BuildBannerRequest();
    static CParseResult<BannerRecord> ParseBannerResponse(std::span<const std::uint8_t> response);

    static CRequestPacket BuildPcVoiceEnable(bool on);
    static CParseResult<AckRecord> ParsePcVoiceEnableResponse(std::span<const std::uint8_t> response);
};

}  // namespace brivex
