#include "modem/CStandardPackets.h"

#include "modem/CByteReader.h"
#include "modem/DiagCommands.h"

namespace brivex {

namespace {

std::optional<ParseFailure> CheckCode(const CByteReader& response, std::uint8_t code, std::size_t minLength)
{
    if (!response.Has(1))
        return ParseFailure{ParseError::TooShort};
    if (response.U8(0) != code)
        return ParseFailure{ParseError::WrongCode};
    if (!response.Has(minLength))
        return ParseFailure{ParseError::TooShort};
    return std::nullopt;
}

CParseResult<AckRecord> ParseAck(std::span<const std::uint8_t> bytes, std::uint8_t code)
{
    if (auto failure = CheckCode(CByteReader(bytes), code, 1))
        return *failure;
    return AckRecord{};
}

}  // namespace

CRequestPacket CStandardPackets::BuildVersionRequest()
{
    CRequestPacket packet(1, timeouts::kDefault);
    packet.Put8(0, diag_verno_f);
    return packet;
}

CParseResult<VersionRecord> CStandardPackets::ParseVersionResponse(std::span<const std::uint8_t> bytes)
{
    const CByteReader response(bytes);
    if (auto failure = CheckCode(response, diag_verno_f, kVersionLength))
        return *failure;
    VersionRecord record;
    record.buildDate = response.Text(1, 11);
    record.softwareVersion = response.Text(39, 8);
    record.hardwareVersion = response.U16(50);
    if (response.Overrun())
        return ParseError::TooShort;
    return record;
}

CRequestPacket CStandardPackets::BuildStatusRequest()
{
    CRequestPacket packet(1, timeouts::kDefault);
    packet.Put8(0, diag_state_f);
    return packet;
}

CParseResult<DiagStatusRecord> CStandardPackets::ParseStatusResponse(std::span<const std::uint8_t> bytes)
{
    const CByteReader response(bytes);
    if (auto failure = CheckCode(response, diag_state_f, kStatusLength))
        return *failure;
    DiagStatusRecord record;
    record.esn = response.U32(4);
    record.min1 = response.U32(14);
    record.min2 = response.U16(20);
    if (response.Overrun())
        return ParseError::TooShort;
    return record;
}

CRequestPacket CStandardPackets::BuildKeyPress(std::uint8_t key, bool hold)
{
    CRequestPacket packet(3, timeouts::kDefault);
    packet.Put8(0, diag_hs_key_req_type);
    packet.Put8(1, hold ? 1 : 0);
    packet.Put8(2, key);
    return packet;
}

CParseResult<AckRecord> CStandardPackets::ParseKeyPressResponse(std::span<const std::uint8_t> response)
{
    return ParseAck(response, diag_hs_key_req_type);
}

bool CStandardPackets::KeyHoldFlag(std::uint8_t key, bool dtmfHoldOn)
{
    return dtmfHoldOn && key != KEY_SEND && key != KEY_END && key != KEY_CLR;
}

std::optional<CRequestPacket> CStandardPackets::BuildCallOrigination(std::string_view digits)
{
    if (digits.size() > kMaxDialDigits)
        return std::nullopt;
    CRequestPacket packet(36, timeouts::kDefault);
    packet.Put8(0, diag_orig_req_type);
    packet.Put8(1, static_cast<std::uint8_t>(digits.size()));
    for (std::size_t i = 0; i < digits.size(); ++i)
        packet.Put8(2 + i, static_cast<std::uint8_t>(digits[i]));
    packet.Put16(34, kOriginationTail);
    return packet;
}

CParseResult<AckRecord> CStandardPackets::ParseCallOriginationResponse(std::span<const std::uint8_t> response)
{
    return ParseAck(response, diag_orig_req_type);
}

}  // namespace brivex
