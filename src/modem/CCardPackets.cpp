#include "modem/CCardPackets.h"

#include "modem/CByteReader.h"
#include "modem/CPinPacking.h"
#include "modem/CVendorHeader.h"
#include "modem/DiagCommands.h"

namespace brivex {

namespace {

CParseResult<ChvResultRecord> ParseChvResult(std::span<const std::uint8_t> bytes, std::uint16_t sub)
{
    const CByteReader response(bytes);
    if (auto failure = CVendorHeader::Check(response, QOR_CMD_RUIM, sub, CCardPackets::kChvResultLength))
        return *failure;
    ChvResultRecord record;
    record.sw1 = response.U8(5);
    record.sw2 = response.U8(6);
    record.attemptsLeft = response.U8(7);
    record.status = response.U8(8);
    if (response.Overrun())
        return ParseError::TooShort;
    return record;
}

}  // namespace

CRequestPacket CCardPackets::BuildStatusRequest()
{
    return CVendorHeader::Request(QOR_CMD_RUIM, QOR_SUB_RUIM_STATUS, 3, timeouts::kCard);
}

CParseResult<CardStatusRecord> CCardPackets::ParseStatusResponse(std::span<const std::uint8_t> bytes)
{
    const CByteReader response(bytes);
    if (auto failure = CVendorHeader::Check(response, QOR_CMD_RUIM, QOR_SUB_RUIM_STATUS, kStatusLength))
        return *failure;
    CardStatusRecord record;
    record.connected = response.U8(5);
    record.cardState = response.U8(6);
    record.lockState = response.U8(7);
    record.retryCount = response.U8(8);
    if (response.Overrun())
        return ParseError::TooShort;
    return record;
}

CRequestPacket CCardPackets::BuildVerifyChv(std::string_view pin)
{
    CRequestPacket packet = CVendorHeader::Request(QOR_CMD_RUIM, QOR_SUB_RUIM_VERIFY_CHV, 11, timeouts::kCard);
    packet.PutBytes(3, CPinPacking::Pack(pin));
    return packet;
}

CParseResult<ChvResultRecord> CCardPackets::ParseVerifyChvResponse(std::span<const std::uint8_t> response)
{
    return ParseChvResult(response, QOR_SUB_RUIM_VERIFY_CHV);
}

CRequestPacket CCardPackets::BuildUnblockChv(std::string_view unblockCode, std::string_view newPin)
{
    CRequestPacket packet = CVendorHeader::Request(QOR_CMD_RUIM, QOR_SUB_RUIM_UNBLOCK_CHV, 19, timeouts::kCard);
    packet.PutBytes(3, CPinPacking::Pack(unblockCode));
    packet.PutBytes(11, CPinPacking::Pack(newPin));
    return packet;
}

CParseResult<ChvResultRecord> CCardPackets::ParseUnblockChvResponse(std::span<const std::uint8_t> response)
{
    return ParseChvResult(response, QOR_SUB_RUIM_UNBLOCK_CHV);
}

}  // namespace brivex
