#include "modem/CVendorHeader.h"

namespace brivex {

CRequestPacket CVendorHeader::Request(std::uint8_t code, std::uint16_t sub, std::size_t length,
                                      std::uint32_t timeoutMs)
{
    CRequestPacket packet(length, timeoutMs);
    packet.Put8(0, code);
    packet.Put16(kSubCommandOffset, sub);
    return packet;
}

std::optional<ParseFailure> CVendorHeader::Check(const CByteReader& response, std::uint8_t code, std::uint16_t sub)
{
    if (!response.Has(kPayloadOffset))
        return ParseFailure{ParseError::TooShort};
    if (response.U8(0) != code)
        return ParseFailure{ParseError::WrongCode};
    if (response.U16(kSubCommandOffset) != sub)
        return ParseFailure{ParseError::WrongSubCommand};
    const std::uint16_t result = response.U16(kResultOffset);
    if (result != 0)
        return ParseFailure{ParseError::ModemRefused, result};
    return std::nullopt;
}

std::optional<ParseFailure> CVendorHeader::Check(const CByteReader& response, std::uint8_t code, std::uint16_t sub,
                                                 std::size_t minLength)
{
    if (auto failure = Check(response, code, sub))
        return failure;
    if (!response.Has(minLength))
        return ParseFailure{ParseError::TooShort};
    return std::nullopt;
}

}  // namespace brivex
