#pragma once

#include "modem/AckRecord.h"
#include "modem/CParseResult.h"
#include "modem/CRequestPacket.h"
#include "modem/PhonebookEntry.h"
#include "modem/PhonebookInfoRecord.h"
#include "modem/PhonebookRecord.h"

#include <cstdint>
#include <optional>
#include <span>

namespace brivex {

// The phonebook vendor commands (0xD1): information, write, read, delete.
// Requests name the storage by byte (1 card, 9 memory) except the read,
// which takes the storage word (0xFF01 card, 0 memory).
class CPhonebookPackets {
public:
    static constexpr std::size_t kInfoLength = 11;
    static constexpr std::size_t kWriteHeaderLength = 42;  // sent: this plus the name length
    static constexpr std::size_t kRecordsOffset = 5;
    static constexpr std::size_t kReadLength = 1045;       // what the modem sends: 10 records

    // Nothing for a storage other than 1 and 9.
    static std::optional<CRequestPacket> BuildInfo(std::uint8_t storage);
    static CParseResult<PhonebookInfoRecord> ParseInfoResponse(std::span<const std::uint8_t> response);

    // Nothing when the number has more than 32 or the name more than 65 bytes.
    static std::optional<CRequestPacket> BuildWrite(const PhonebookEntry& entry);
    static CParseResult<AckRecord> ParseWriteResponse(std::span<const std::uint8_t> response);

    // storageWord 0xFF01 reads the card, any other value modem memory; count
    // is 1 to 10, otherwise nothing.
    static std::optional<CRequestPacket> BuildRead(std::uint16_t storageWord, std::uint8_t count);
    // The requested records must all have arrived (TooShort); more than 10
    // requested is BadCount.
    static CParseResult<PhonebookReadRecord> ParseReadResponse(std::span<const std::uint8_t> response,
                                                               std::uint8_t requested);

    static CRequestPacket BuildDelete(std::uint8_t storage, std::uint32_t index);
    static CParseResult<AckRecord> ParseDeleteResponse(std::span<const std::uint8_t> response);
};

}  // namespace brivex
