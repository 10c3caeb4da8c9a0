#include "modem/CPhonebookPackets.h"

#include "modem/CByteReader.h"
#include "modem/CVendorHeader.h"
#include "modem/DiagCommands.h"

#include <algorithm>

namespace brivex {

namespace {

CParseResult<AckRecord> ParseAck(std::span<const std::uint8_t> bytes, std::uint16_t sub)
{
    if (auto failure = CVendorHeader::Check(CByteReader(bytes), QOR_CMD_PBOOK, sub))
        return *failure;
    return AckRecord{};
}

PhonebookRecord ReadRecord(const CByteReader& response, std::size_t at)
{
    PhonebookRecord record;
    record.readStatus = response.U8(at);
    record.index = response.U32(at + 1);
    record.numberLength = response.U8(at + 5);
    record.number =
        response.Text(at + 6, std::min<std::size_t>(record.numberLength, PhonebookRecord::kNumberField));
    const auto name = response.Field(at + 39, PhonebookRecord::kNameField);
    std::copy(name.begin(), name.end(), record.name.begin());
    return record;
}

}  // namespace

std::optional<CRequestPacket> CPhonebookPackets::BuildInfo(std::uint8_t storage)
{
    if (storage != PB_STORAGE_CARD && storage != PB_STORAGE_MEMORY)
        return std::nullopt;
    CRequestPacket packet = CVendorHeader::Request(QOR_CMD_PBOOK, QOR_SUB_PB_INIT, 6, timeouts::kDefault);
    packet.Put8(3, storage);
    packet.Put16(4, storage == PB_STORAGE_CARD ? kPbStorageWordCard : kPbStorageWordMemory);
    return packet;
}

CParseResult<PhonebookInfoRecord> CPhonebookPackets::ParseInfoResponse(std::span<const std::uint8_t> bytes)
{
    const CByteReader response(bytes);
    if (auto failure = CVendorHeader::Check(response, QOR_CMD_PBOOK, QOR_SUB_PB_INIT, kInfoLength))
        return *failure;
    PhonebookInfoRecord record;
    record.maxRecords = response.U16(5);
    record.recordsInUse = response.U16(7);
    record.maxNameLength = response.U16(9);
    if (response.Overrun())
        return ParseError::TooShort;
    return record;
}

std::optional<CRequestPacket> CPhonebookPackets::BuildWrite(const PhonebookEntry& entry)
{
    if (entry.number.size() > PhonebookEntry::kMaxNumber || entry.name.size() > PhonebookEntry::kMaxName)
        return std::nullopt;
    CRequestPacket packet = CVendorHeader::Request(QOR_CMD_PBOOK, QOR_SUB_PB_WRITE,
                                                   kWriteHeaderLength + entry.name.size(), timeouts::kPhonebook);
    packet.Put8(3, entry.storage);
    packet.Put32(4, entry.index);
    packet.Put8(8, static_cast<std::uint8_t>(entry.number.size()));
    for (std::size_t i = 0; i < entry.number.size(); ++i)
        packet.Put8(9 + i, static_cast<std::uint8_t>(entry.number[i]));
    packet.Put8(41, static_cast<std::uint8_t>(entry.name.size()));
    packet.PutBytes(42, entry.name);
    return packet;
}

CParseResult<AckRecord> CPhonebookPackets::ParseWriteResponse(std::span<const std::uint8_t> response)
{
    return ParseAck(response, QOR_SUB_PB_WRITE);
}

std::optional<CRequestPacket> CPhonebookPackets::BuildRead(std::uint16_t storageWord, std::uint8_t count)
{
    if (count == 0 || count > PhonebookReadRecord::kMaxRecords)
        return std::nullopt;
    CRequestPacket packet = CVendorHeader::Request(QOR_CMD_PBOOK, QOR_SUB_PB_READ, 6, timeouts::kPhonebook);
    packet.Put16(3, storageWord == kPbStorageWordCard ? kPbStorageWordCard : kPbStorageWordMemory);
    packet.Put8(5, count);
    return packet;
}

CParseResult<PhonebookReadRecord> CPhonebookPackets::ParseReadResponse(std::span<const std::uint8_t> bytes,
                                                                       std::uint8_t requested)
{
    const CByteReader response(bytes);
    if (auto failure = CVendorHeader::Check(response, QOR_CMD_PBOOK, QOR_SUB_PB_READ))
        return *failure;
    if (requested > PhonebookReadRecord::kMaxRecords)
        return ParseError::BadCount;
    if (!response.Has(kRecordsOffset, requested * PhonebookRecord::kSize))
        return ParseError::TooShort;
    PhonebookReadRecord block;
    block.records.reserve(requested);
    for (std::size_t i = 0; i < requested; ++i)
        block.records.push_back(ReadRecord(response, kRecordsOffset + i * PhonebookRecord::kSize));
    if (response.Overrun())
        return ParseError::TooShort;
    return block;
}

CRequestPacket CPhonebookPackets::BuildDelete(std::uint8_t storage, std::uint32_t index)
{
    CRequestPacket packet = CVendorHeader::Request(QOR_CMD_PBOOK, QOR_SUB_PB_DEL, 8, timeouts::kPhonebook);
    packet.Put8(3, storage);
    packet.Put32(4, index);
    return packet;
}

CParseResult<AckRecord> CPhonebookPackets::ParseDeleteResponse(std::span<const std::uint8_t> response)
{
    return ParseAck(response, QOR_SUB_PB_DEL);
}

}  // namespace brivex
