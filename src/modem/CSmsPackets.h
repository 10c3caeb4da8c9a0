#pragma once

#include "modem/AckRecord.h"
#include "modem/CParseResult.h"
#include "modem/CRequestPacket.h"
#include "modem/SmsInfoRecord.h"
#include "modem/SmsListRecord.h"
#include "modem/SmsMessageRecord.h"
#include "modem/SmsSendRecord.h"

#include <cstdint>
#include <optional>
#include <span>

namespace brivex {

// The SMS vendor commands (0xD0): send, delete one, list, read and the SMS
// information.
class CSmsPackets {
public:
    static constexpr std::size_t kSendLength = 311;
    static constexpr std::size_t kListHeaderLength = 21;  // entries start here
    static constexpr std::size_t kListEntrySize = 8;
    static constexpr std::size_t kListLength = 1605;      // what the modem sends: 198 entries
    static constexpr std::size_t kReadLength = 321;
    static constexpr std::size_t kInfoLength = 7;

    // Nothing when the text has 230 bytes or more or a number does not fit
    // its 36 bytes.
    static std::optional<CRequestPacket> BuildSend(const SmsSendRecord& message);
    static CParseResult<AckRecord> ParseSendResponse(std::span<const std::uint8_t> response);

    static CRequestPacket BuildDelete(std::uint32_t slot, std::uint32_t storage);
    static CParseResult<AckRecord> ParseDeleteResponse(std::span<const std::uint8_t> response);

    static CRequestPacket BuildList(std::uint32_t storage);
    // The entry count must be at most 198 (BadCount) and its entries must
    // have arrived (TooShort).
    static CParseResult<SmsListRecord> ParseListResponse(std::span<const std::uint8_t> response);

    static CRequestPacket BuildRead(std::uint32_t slot, std::uint32_t storage);
    static CParseResult<SmsMessageRecord> ParseReadResponse(std::span<const std::uint8_t> response);

    static CRequestPacket BuildInfoRequest();
    static CParseResult<SmsInfoRecord> ParseInfoResponse(std::span<const std::uint8_t> response);
};

}  // namespace brivex
