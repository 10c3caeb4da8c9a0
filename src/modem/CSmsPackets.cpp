#include "modem/CSmsPackets.h"

#include "modem/CByteReader.h"
#include "modem/CVendorHeader.h"
#include "modem/DiagCommands.h"

#include <algorithm>

namespace brivex {

namespace {

std::span<const std::uint8_t> AsBytes(const std::string& text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

CParseResult<AckRecord> ParseAck(std::span<const std::uint8_t> bytes, std::uint16_t sub)
{
    if (auto failure = CVendorHeader::Check(CByteReader(bytes), QOR_CMD_SMS, sub))
        return *failure;
    return AckRecord{};
}

CRequestPacket SlotRequest(std::uint16_t sub, std::uint32_t slot, std::uint32_t storage, std::uint32_t timeoutMs)
{
    CRequestPacket packet = CVendorHeader::Request(QOR_CMD_SMS, sub, 11, timeoutMs);
    packet.Put32(3, slot);
    packet.Put32(7, storage);
    return packet;
}

}  // namespace

std::optional<CRequestPacket> CSmsPackets::BuildSend(const SmsSendRecord& message)
{
    if (message.text.size() > SmsSendRecord::kMaxText || message.destination.size() > SmsSendRecord::kMaxNumber ||
        message.callback.size() > SmsSendRecord::kMaxNumber)
        return std::nullopt;
    CRequestPacket packet = CVendorHeader::Request(QOR_CMD_SMS, QOR_SUB_SMS_SEND, kSendLength, timeouts::kSmsSend);
    packet.Put8(3, message.encoding);
    packet.Put8(5, static_cast<std::uint8_t>(message.callback.size()));
    packet.Put8(6, static_cast<std::uint8_t>(message.destination.size()));
    packet.Put16(7, static_cast<std::uint16_t>(message.text.size()));
    packet.PutBytes(9, AsBytes(message.callback));
    packet.PutBytes(45, AsBytes(message.destination));
    packet.PutBytes(81, message.text);
    return packet;
}

CParseResult<AckRecord> CSmsPackets::ParseSendResponse(std::span<const std::uint8_t> response)
{
    return ParseAck(response, QOR_SUB_SMS_SEND);
}

CRequestPacket CSmsPackets::BuildDelete(std::uint32_t slot, std::uint32_t storage)
{
    return SlotRequest(QOR_SUB_SMS_DELETE, slot, storage, timeouts::kSmsDelete);
}

CParseResult<AckRecord> CSmsPackets::ParseDeleteResponse(std::span<const std::uint8_t> response)
{
    return ParseAck(response, QOR_SUB_SMS_DELETE);
}

CRequestPacket CSmsPackets::BuildList(std::uint32_t storage)
{
    CRequestPacket packet = CVendorHeader::Request(QOR_CMD_SMS, QOR_SUB_SMS_GET_LIST, 7, timeouts::kSmsList);
    packet.Put32(3, storage);
    return packet;
}

CParseResult<SmsListRecord> CSmsPackets::ParseListResponse(std::span<const std::uint8_t> bytes)
{
    const CByteReader response(bytes);
    if (auto failure = CVendorHeader::Check(response, QOR_CMD_SMS, QOR_SUB_SMS_GET_LIST, kListHeaderLength))
        return *failure;
    const std::uint32_t count = response.U32(5);
    if (count > SmsListRecord::kMaxEntries)
        return ParseError::BadCount;
    if (!response.Has(kListHeaderLength, count * kListEntrySize))
        return ParseError::TooShort;
    SmsListRecord record;
    record.storage = response.U32(9);
    record.voiceMailSlot = response.U32(13);
    record.voiceMailActive = response.U32(17);
    record.entries.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = kListHeaderLength + i * kListEntrySize;
        record.entries.push_back({response.U32(at), response.U32(at + 4)});
    }
    if (response.Overrun())
        return ParseError::TooShort;
    return record;
}

CRequestPacket CSmsPackets::BuildRead(std::uint32_t slot, std::uint32_t storage)
{
    return SlotRequest(QOR_SUB_SMS_READ, slot, storage, timeouts::kDefault);
}

CParseResult<SmsMessageRecord> CSmsPackets::ParseReadResponse(std::span<const std::uint8_t> bytes)
{
    const CByteReader response(bytes);
    if (auto failure = CVendorHeader::Check(response, QOR_CMD_SMS, QOR_SUB_SMS_READ, kReadLength))
        return *failure;
    SmsMessageRecord record;
    record.teleservice = response.U32(5);
    record.timeStamp = response.U32(9);
    record.encoding = response.U8(13);
    record.language = response.U8(14);
    record.voiceMailCount = response.U8(15);
    record.addressLength = response.U8(16);
    record.callbackLength = response.U8(17);
    record.textLength = response.U16(18);
    record.address = response.Text(20, std::min<std::size_t>(record.addressLength, SmsMessageRecord::kNumberField));
    record.callback = response.Text(56, std::min<std::size_t>(record.callbackLength, SmsMessageRecord::kNumberField));
    const auto field = response.Field(92, SmsMessageRecord::kTextField);
    std::copy(field.begin(), field.end(), record.textField.begin());
    const std::size_t kept = std::min<std::size_t>(record.textLength, SmsMessageRecord::kTextField);
    record.text.assign(record.textField.begin(), record.textField.begin() + static_cast<std::ptrdiff_t>(kept));
    if (response.Overrun())
        return ParseError::TooShort;
    return record;
}

CRequestPacket CSmsPackets::BuildInfoRequest()
{
    return CVendorHeader::Request(QOR_CMD_SMS, QOR_SUB_INFO, 3, timeouts::kDefault);
}

CParseResult<SmsInfoRecord> CSmsPackets::ParseInfoResponse(std::span<const std::uint8_t> bytes)
{
    const CByteReader response(bytes);
    if (auto failure = CVendorHeader::Check(response, QOR_CMD_SMS, QOR_SUB_INFO, kInfoLength))
        return *failure;
    SmsInfoRecord record;
    record.initialised = response.U8(5);
    record.maxSlots = response.U8(6);
    if (response.Overrun())
        return ParseError::TooShort;
    return record;
}

}  // namespace brivex
