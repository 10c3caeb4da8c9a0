#pragma once

#include "CSimModemState.h"

#include <cstdint>
#include <string>
#include <vector>

namespace brivex::sim {

// The simulated modem's own encoder of every diagnostic answer, written from
// the packet layouts alone (multi-byte values little-endian, text fields
// zero-padded). Each function takes plain values and returns the packet
// before framing. Answers are as short as their last used field allows,
// except where the modem's answer has a fixed size (caller ID 270, battery 19,
// SMS list 1605, SMS message 321, phonebook read 1045), so a parser that reads
// past the fields it needs fails against it.
class CSimAnswerEncoder {
public:
    using Bytes = std::vector<std::uint8_t>;

    static constexpr std::size_t kStatusShortLength = 26;
    static constexpr std::size_t kStatusLongLength = 31;
    static constexpr std::size_t kCallerIdLength = 270;
    static constexpr std::size_t kBatteryLength = 19;
    static constexpr std::size_t kSmsListLength = 1605;
    static constexpr std::size_t kSmsListMaxEntries = 198;
    static constexpr std::size_t kSmsMessageLength = 321;
    static constexpr std::size_t kSmsTextBytes = 229;
    static constexpr std::size_t kPbReadLength = 1045;
    static constexpr std::size_t kPbRecordLength = 104;
    static constexpr std::size_t kPbReadMaxRecords = 10;
    static constexpr std::size_t kNvAnswerLength = 24;
    static constexpr std::uint16_t kNvRelaySub = 0x0026;

    // Standard commands.
    static Bytes Version(const CSimModemState::Identity& identity);     // 0x00
    static Bytes DiagStatus(const CSimModemState::Identity& identity);  // 0x0C
    // Key press (0x20) and call origination (0x35) answers repeat the request.
    static Bytes Echo(const std::uint8_t* request, std::size_t length);

    // The vendor header alone: code, sub-command, 16-bit result.
    static Bytes VendorResult(std::uint8_t code, std::uint16_t sub, std::uint16_t result);

    // NV relay (0xD5) answers.
    static Bytes NvPrefMode(std::uint16_t prefMode);  // item 10
    static Bytes NvHybrid(std::uint8_t hybrid);       // item 562
    static Bytes NvOwnNumber(const std::string& digits);  // item 215, at most 15 digits

    // General vendor commands (0xCF).
    static Bytes Service(const CSimModemState::Service& service);  // sub 0
    static Bytes Status(const CSimModemState::Status& status, bool longLayout);  // sub 1
    static Bytes CallerId(const CSimModemState::CallerId& callerId);  // sub 2
    static Bytes DataRate1x(std::uint16_t value);                      // sub 5
    static Bytes DataRateEvdo(const std::array<std::uint8_t, 8>& bytes);  // sub 7
    static Bytes InfoVersion(const CSimModemState::VersionInfo& version);  // sub 10
    static Bytes Battery(const CSimModemState::Battery& battery);        // sub 11
    static Bytes Banner(const std::string& text);                        // sub 17, at most 255 bytes

    // SMS commands (0xD0).
    struct SmsListEntry {
        std::uint32_t slot;
        std::uint32_t tag;
    };
    static Bytes SmsList(std::uint32_t storage, std::uint32_t voiceMailSlot, std::uint32_t voiceMailActive,
                         const std::vector<SmsListEntry>& entries);  // sub 4, at most 198 entries sent
    static Bytes SmsMessage(const CSimModemState::SmsMessage& message);  // sub 6
    static Bytes SmsInfo(bool initialised, std::uint8_t maxSlots);       // sub 8

    // Phonebook commands (0xD1).
    static Bytes PbInfo(std::uint16_t maxRecords, std::uint16_t inUse, std::uint16_t maxNameLength);  // sub 0
    // Sub 2: the given records, the remaining record places marked not valid.
    static Bytes PbRead(const std::vector<CSimModemState::PbEntry>& records);

    // Card commands (0xD2).
    static Bytes CardStatus(const CSimModemState::Card& card);  // sub 0
    static Bytes ChvResult(std::uint16_t sub, std::uint8_t sw1, std::uint8_t sw2, std::uint8_t attemptsLeft,
                           std::uint8_t status);  // subs 1 and 5

    // Codecs the other way round, for building state.
    // MIN1 from seven digits ("5551234"), MIN2 from a three-digit area code;
    // false when the text is not made of exactly that many digits.
    static bool EncodeMin1(const std::string& digits, std::uint32_t& min1);
    static bool EncodeMin2(const std::string& digits, std::uint16_t& min2);
    // Seconds since 1980-01-06 00:00:00 of a calendar time (UTC).
    static std::uint32_t ModemTime(int year, int month, int day, int hour, int minute, int second);
    // A phonebook name in the 0x80 alphabet: the marker, then UCS-2 high byte first.
    static std::vector<std::uint8_t> Ucs2Name(const std::u16string& name);
};

}  // namespace brivex::sim
