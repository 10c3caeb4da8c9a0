#include "modem/CGeneralPackets.h"

#include "modem/CByteReader.h"
#include "modem/CVendorHeader.h"
#include "modem/DiagCommands.h"

#include <algorithm>

namespace brivex {

namespace {

CRequestPacket Request(std::uint16_t sub, std::size_t length = 3)
{
    return CVendorHeader::Request(QOR_CMD_GENERAL, sub, length, timeouts::kDefault);
}

CParseResult<AckRecord> ParseAck(std::span<const std::uint8_t> bytes, std::uint16_t sub)
{
    if (auto failure = CVendorHeader::Check(CByteReader(bytes), QOR_CMD_GENERAL, sub))
        return *failure;
    return AckRecord{};
}

// Where each field of the status record sits in one layout.
struct StatusOffsets {
    std::size_t length;
    std::size_t signal1x, signalEvdo;  // 1-byte fields in the short layout, 32-bit in the long one
    std::size_t dataSystemMode, incomingCall, newMessageCount, roaming, storageFull, serviceState, alert;
};

constexpr StatusOffsets kShortStatus{CGeneralPackets::kStatusShortLength, 14, 15, 16, 17, 18, 20, 21, 22, 25};
constexpr StatusOffsets kLongStatus{CGeneralPackets::kStatusLongLength, 14, 18, 22, 23, 24, 26, 27, 22, 30};

}  // namespace

CRequestPacket CGeneralPackets::BuildServiceRequest() { return Request(QOR_SUB_SERVICE); }

CParseResult<ServiceRecord> CGeneralPackets::ParseServiceResponse(std::span<const std::uint8_t> bytes)
{
    const CByteReader response(bytes);
    if (auto failure = CVendorHeader::Check(response, QOR_CMD_GENERAL, QOR_SUB_SERVICE, kServiceLength))
        return *failure;
    ServiceRecord record;
    record.serviceMode = response.U8(5);
    record.indicatorValue = response.U8(6);
    record.asciiSmsLimit = response.U8(7);
    record.unicodeSmsLimit = response.U8(8);
    record.callbackLimit = response.U8(9);
    record.voiceVolume = response.U8(10);
    record.ringVolume = response.U8(11);
    if (response.Overrun())
        return ParseError::TooShort;
    return record;
}

CRequestPacket CGeneralPackets::BuildStatusRequest() { return Request(QOR_SUB_STATUS); }

CParseResult<StatusRecord> CGeneralPackets::ParseStatusResponse(std::span<const std::uint8_t> bytes,
                                                                StatusLayout layout)
{
    const StatusOffsets& at = layout == StatusLayout::Long ? kLongStatus : kShortStatus;
    const CByteReader response(bytes);
    if (auto failure = CVendorHeader::Check(response, QOR_CMD_GENERAL, QOR_SUB_STATUS, at.length))
        return *failure;
    StatusRecord record;
    record.layout = layout;
    record.systemMode = response.U8(5);
    record.hybridInEffect = response.U8(6);
    record.rfMode = response.U16(7);
    record.callState = response.U8(9);
    record.serviceOption = response.U8(10);
    record.channel = response.U16(11);
    record.bandClass = response.U8(13);
    if (layout == StatusLayout::Long) {
        record.signal1x = response.U32(at.signal1x);
        record.signalEvdo = response.U32(at.signalEvdo);
    } else {
        record.signal1x = response.U8(at.signal1x);
        record.signalEvdo = response.U8(at.signalEvdo);
    }
    record.dataSystemMode = response.U8(at.dataSystemMode);
    record.incomingCall = response.U8(at.incomingCall);
    record.newMessageCount = response.U16(at.newMessageCount);
    record.roaming = response.U8(at.roaming);
    record.storageFull = response.U8(at.storageFull);
    record.serviceState = response.U8(at.serviceState);
    record.alert = response.U8(at.alert);
    if (response.Overrun())
        return ParseError::TooShort;
    return record;
}

CRequestPacket CGeneralPackets::BuildCallerIdRequest() { return Request(QOR_SUB_CALLER_ID); }

CParseResult<CallerIdRecord> CGeneralPackets::ParseCallerIdResponse(std::span<const std::uint8_t> bytes)
{
    const CByteReader response(bytes);
    if (auto failure = CVendorHeader::Check(response, QOR_CMD_GENERAL, QOR_SUB_CALLER_ID, kCallerIdLength))
        return *failure;
    CallerIdRecord record;
    record.presentation = response.U8(7);
    record.numberLength = response.U8(9);
    record.number = response.Text(10, std::min<std::size_t>(record.numberLength, CallerIdRecord::kMaxNumber));
    record.secondNumber = response.Text(75, CallerIdRecord::kTextField);
    record.redirectingNumber = response.Text(139, CallerIdRecord::kTextField);
    record.callWaiting = response.U8(203);
    record.redirectingName = response.Text(204, CallerIdRecord::kTextField);
    record.callWaiting2 = response.U8(268);
    record.redirectionPresentation = response.U8(269);
    if (response.Overrun())
        return ParseError::TooShort;
    return record;
}

CRequestPacket CGeneralPackets::BuildSystemSelect(std::uint16_t preferredMode, std::uint16_t hybridPreference)
{
    CRequestPacket packet = Request(QOR_SUB_CM_SYS_SEL, 7);
    packet.Put16(3, preferredMode);
    packet.Put16(5, hybridPreference);
    return packet;
}

CParseResult<AckRecord> CGeneralPackets::ParseSystemSelectResponse(std::span<const std::uint8_t> response)
{
    return ParseAck(response, QOR_SUB_CM_SYS_SEL);
}

CRequestPacket CGeneralPackets::BuildOneXDataRateRequest() { return Request(QOR_SUB_1X_DRC); }

CParseResult<OneXDataRateRecord> CGeneralPackets::ParseOneXDataRateResponse(std::span<const std::uint8_t> bytes)
{
    const CByteReader response(bytes);
    if (auto failure = CVendorHeader::Check(response, QOR_CMD_GENERAL, QOR_SUB_1X_DRC, kOneXRateLength))
        return *failure;
    OneXDataRateRecord record;
    record.value = response.U16(5);
    if (response.Overrun())
        return ParseError::TooShort;
    return record;
}

CRequestPacket CGeneralPackets::BuildEvdoDataRateRequest() { return Request(QOR_SUB_HDR_DRC); }

CParseResult<EvdoDataRateRecord> CGeneralPackets::ParseEvdoDataRateResponse(std::span<const std::uint8_t> bytes)
{
    const CByteReader response(bytes);
    if (auto failure = CVendorHeader::Check(response, QOR_CMD_GENERAL, QOR_SUB_HDR_DRC, kEvdoRateLength))
        return *failure;
    EvdoDataRateRecord record;
    for (std::size_t i = 0; i < record.rates.size(); ++i)
        record.rates[i] = response.U8(5 + i);
    if (response.Overrun())
        return ParseError::TooShort;
    return record;
}

CRequestPacket CGeneralPackets::BuildInfoVersionRequest() { return Request(QOR_SUB_INF_VER); }

CParseResult<InfoVersionRecord> CGeneralPackets::ParseInfoVersionResponse(std::span<const std::uint8_t> bytes)
{
    const CByteReader response(bytes);
    if (auto failure = CVendorHeader::Check(response, QOR_CMD_GENERAL, QOR_SUB_INF_VER, kInfoVersionLength))
        return *failure;
    InfoVersionRecord record;
    record.major = response.U16(5);
    record.minor = response.U16(7);
    record.featureWord = response.U16(9);
    if (response.Overrun())
        return ParseError::TooShort;
    return record;
}

CRequestPacket CGeneralPackets::BuildBatteryRequest() { return Request(QOR_SUB_BATT_INFO); }

CParseResult<BatteryRecord> CGeneralPackets::ParseBatteryResponse(std::span<const std::uint8_t> bytes)
{
    const CByteReader response(bytes);
    if (auto failure = CVendorHeader::Check(response, QOR_CMD_GENERAL, QOR_SUB_BATT_INFO, kBatteryLength))
        return *failure;
    BatteryRecord record;
    record.chargeState = response.U8(5);  // the low byte of the 16-bit field
    record.value = response.U16(7);
    for (std::size_t i = 0; i < record.thresholds.size(); ++i)
        record.thresholds[i] = response.U16(9 + 2 * i);
    if (response.Overrun())
        return ParseError::TooShort;
    return record;
}

CRequestPacket CGeneralPackets::BuildBannerRequest() { return Request(QOR_SUB_NET_BANNER); }

CParseResult<BannerRecord> CGeneralPackets::ParseBannerResponse(std::span<const std::uint8_t> bytes)
{
    const CByteReader response(bytes);
    if (auto failure = CVendorHeader::Check(response, QOR_CMD_GENERAL, QOR_SUB_NET_BANNER, kBannerTextOffset))
        return *failure;
    BannerRecord record;
    record.textLength = response.U8(6);
    // The banner is cut at 64 bytes; the bytes it keeps must have arrived.
    const std::size_t kept = std::min<std::size_t>(record.textLength, BannerRecord::kMaxText);
    if (!response.Has(kBannerTextOffset, kept))
        return ParseError::TooShort;
    record.text = response.Text(kBannerTextOffset, kept);
    if (response.Overrun())
        return ParseError::TooShort;
    return record;
}

CRequestPacket CGeneralPackets::BuildPcVoiceEnable(bool on)
{
    CRequestPacket packet = Request(QOR_SUB_PCVOICE, 4);
    packet.Put8(3, on ? 1 : 0);
    return packet;
}

CParseResult<AckRecord> CGeneralPackets::ParsePcVoiceEnableResponse(std::span<const std::uint8_t> response)
{
    return ParseAck(response, QOR_SUB_PCVOICE);
}

}  // namespace brivex
