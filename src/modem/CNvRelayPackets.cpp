#include "modem/CNvRelayPackets.h"

#include "modem/CByteReader.h"
#include "modem/CVendorHeader.h"
#include "modem/DiagCommands.h"

#include <algorithm>

namespace brivex {

std::optional<CRequestPacket> CNvRelayPackets::BuildRead(std::uint16_t item, int modemType)
{
    if (modemType != kModemTypeDiagDevice)
        return std::nullopt;
    CRequestPacket packet =
        CVendorHeader::Request(QOR_CMD_NV_RELAY, QOR_SUB_NV_READ, kRequestLength, timeouts::kDefault);
    packet.Put16(3, item);
    packet.Put8(5, 0);  // NAM 0
    return packet;
}

CParseResult<NvReadRecord> CNvRelayPackets::ParseReadResponse(std::span<const std::uint8_t> bytes,
                                                              std::uint16_t item)
{
    const CByteReader response(bytes);
    if (auto failure = CVendorHeader::Check(response, QOR_CMD_NV_RELAY, QOR_SUB_NV_READ))
        return *failure;
    NvReadRecord record;
    record.item = item;
    switch (item) {
    case NV_PREF_MODE_I:
        if (!response.Has(10))
            return ParseError::TooShort;
        record.preferredMode = response.U16(8);
        break;
    case NV_HYBRID_PREF_I:
        if (!response.Has(8))
            return ParseError::TooShort;
        record.hybridPreference = response.U8(7);
        break;
    case NV_DIR_NUMBER_PCS_I: {
        if (!response.Has(kDigitsOffset))
            return ParseError::TooShort;
        const std::uint8_t count = response.U8(8);
        if (!response.Has(kDigitsOffset, count))
            return ParseError::TooShort;
        const auto digits = response.Field(kDigitsOffset, count);
        record.directoryNumber.assign(digits.begin(), digits.end());
        break;
    }
    default:
        break;  // an item the program does not read: the header is all there is
    }
    if (response.Overrun())
        return ParseError::TooShort;
    return record;
}

std::string CNvRelayPackets::DirectoryNumberText(const NvReadRecord& record)
{
    const std::string& digits = record.directoryNumber;
    const bool allDigits = std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
    return allDigits ? digits : std::string("----------");
}

}  // namespace brivex
