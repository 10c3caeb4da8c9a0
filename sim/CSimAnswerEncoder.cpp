#include "CSimAnswerEncoder.h"

#include <algorithm>
#include <cctype>

namespace brivex::sim {

namespace {

using Bytes = CSimAnswerEncoder::Bytes;

constexpr std::uint8_t kGeneral = 0xCF;
constexpr std::uint8_t kSms = 0xD0;
constexpr std::uint8_t kPhonebook = 0xD1;
constexpr std::uint8_t kCard = 0xD2;
constexpr std::uint8_t kNvRelay = 0xD5;

void Put8(Bytes& out, std::size_t at, std::uint8_t value)
{
    out.at(at) = value;
}

void Put16(Bytes& out, std::size_t at, std::uint16_t value)
{
    out.at(at) = static_cast<std::uint8_t>(value);
    out.at(at + 1) = static_cast<std::uint8_t>(value >> 8);
}

void Put32(Bytes& out, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.at(at + i) = static_cast<std::uint8_t>(value >> (8 * i));
}

// Copies at most width bytes of text into a zero-padded field; returns the count copied.
std::size_t PutText(Bytes& out, std::size_t at, std::size_t width, const std::uint8_t* text, std::size_t length)
{
    const std::size_t n = std::min(width, length);
    std::copy_n(text, n, out.begin() + static_cast<std::ptrdiff_t>(at));
    return n;
}

std::size_t PutText(Bytes& out, std::size_t at, std::size_t width, const std::string& text)
{
    return PutText(out, at, width, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

// A vendor answer of the given length with code, sub-command and result 0.
Bytes Vendor(std::uint8_t code, std::uint16_t sub, std::size_t length)
{
    Bytes out(std::max<std::size_t>(length, 5), 0);
    out[0] = code;
    Put16(out, 1, sub);
    return out;
}

Bytes NvAnswer(std::uint16_t item)
{
    Bytes out = Vendor(kNvRelay, CSimAnswerEncoder::kNvRelaySub, CSimAnswerEncoder::kNvAnswerLength);
    Put16(out, 5, item);
    return out;
}

bool ThreeDigits(const std::string& digits, std::size_t from, std::uint32_t& value)
{
    std::uint32_t coded = 0;
    for (std::size_t i = from; i < from + 3; ++i) {
        const int d = digits[i] - '0';
        coded = coded * 10 + static_cast<std::uint32_t>(d == 0 ? 10 : d);
    }
    // Each digit is sent as digit - 1 with 0 counted as 10: "123" is 012.
    value = coded - 111;
    return true;
}

bool AllDigits(const std::string& text)
{
    return std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

}  // namespace

Bytes CSimAnswerEncoder::Version(const CSimModemState::Identity& identity)
{
    Bytes out(52, 0);
    out[0] = 0x00;
    PutText(out, 1, 11, identity.buildDate);
    PutText(out, 39, 8, identity.swVersion);
    Put16(out, 50, identity.hwVersion);
    return out;
}

Bytes CSimAnswerEncoder::DiagStatus(const CSimModemState::Identity& identity)
{
    Bytes out(22, 0);
    out[0] = 0x0C;
    Put32(out, 4, identity.esn);
    Put32(out, 14, identity.min1 & 0xFFFFFF);
    Put16(out, 20, identity.min2 & 0x3FF);
    return out;
}

Bytes CSimAnswerEncoder::Echo(const std::uint8_t* request, std::size_t length)
{
    return Bytes(request, request + length);
}

Bytes CSimAnswerEncoder::VendorResult(std::uint8_t code, std::uint16_t sub, std::uint16_t result)
{
    Bytes out = Vendor(code, sub, 5);
    Put16(out, 3, result);
    return out;
}

Bytes CSimAnswerEncoder::NvPrefMode(std::uint16_t prefMode)
{
    Bytes out = NvAnswer(10);
    Put16(out, 8, prefMode);
    return out;
}

Bytes CSimAnswerEncoder::NvHybrid(std::uint8_t hybrid)
{
    Bytes out = NvAnswer(562);
    Put8(out, 7, hybrid);
    return out;
}

Bytes CSimAnswerEncoder::NvOwnNumber(const std::string& digits)
{
    Bytes out = NvAnswer(215);
    const std::size_t n = PutText(out, 9, kNvAnswerLength - 9, digits);
    Put8(out, 8, static_cast<std::uint8_t>(n));
    return out;
}

Bytes CSimAnswerEncoder::Service(const CSimModemState::Service& service)
{
    Bytes out = Vendor(kGeneral, 0, 12);
    Put8(out, 5, service.serviceMode);
    Put8(out, 6, service.indicator);
    Put8(out, 7, service.asciiLimit);
    Put8(out, 8, service.unicodeLimit);
    Put8(out, 9, service.callbackLimit);
    Put8(out, 10, service.voiceVolume);
    Put8(out, 11, service.ringVolume);
    return out;
}

Bytes CSimAnswerEncoder::Status(const CSimModemState::Status& status, bool longLayout)
{
    Bytes out = Vendor(kGeneral, 1, longLayout ? kStatusLongLength : kStatusShortLength);
    Put8(out, 5, status.systemMode);
    Put8(out, 6, status.hybrid);
    Put16(out, 7, status.rfMode);
    Put8(out, 9, status.callState);
    Put8(out, 10, status.serviceOption);
    Put16(out, 11, status.channel);
    Put8(out, 13, status.bandClass);
    if (!longLayout) {
        Put8(out, 14, static_cast<std::uint8_t>(std::min<std::uint32_t>(status.signal1x, 0xFF)));
        Put8(out, 15, static_cast<std::uint8_t>(std::min<std::uint32_t>(status.signalEvdo, 0xFF)));
        Put8(out, 16, status.dataSystemMode);
        Put8(out, 17, status.incomingIndicator);
        Put16(out, 18, status.newMessages);
        Put8(out, 20, status.roaming);
        Put8(out, 21, status.storageFull);
        Put8(out, 22, status.serviceState);
        Put8(out, 25, status.alert);
        return out;
    }
    Put32(out, 14, status.signal1x);
    Put32(out, 18, status.signalEvdo);
    // The long layout has one byte at [22] for both the data system mode and
    // the service-state byte; the data system mode is what goes there.
    Put8(out, 22, status.dataSystemMode);
    Put8(out, 23, status.incomingIndicator);
    Put16(out, 24, status.newMessages);
    Put8(out, 26, status.roaming);
    Put8(out, 27, status.storageFull);
    Put8(out, 30, status.alert);
    return out;
}

Bytes CSimAnswerEncoder::CallerId(const CSimModemState::CallerId& callerId)
{
    Bytes out = Vendor(kGeneral, 2, kCallerIdLength);
    Put8(out, 7, callerId.presentation);
    Put8(out, 9, static_cast<std::uint8_t>(PutText(out, 10, 63, callerId.number)));
    PutText(out, 75, 31, callerId.secondNumber);
    PutText(out, 139, 31, callerId.redirectingNumber);
    Put8(out, 203, callerId.callWaiting);
    PutText(out, 204, 31, callerId.redirectingName);
    Put8(out, 268, callerId.callWaiting2);
    Put8(out, 269, callerId.redirection);
    return out;
}

Bytes CSimAnswerEncoder::DataRate1x(std::uint16_t value)
{
    Bytes out = Vendor(kGeneral, 5, 7);
    Put16(out, 5, value);
    return out;
}

Bytes CSimAnswerEncoder::DataRateEvdo(const std::array<std::uint8_t, 8>& bytes)
{
    Bytes out = Vendor(kGeneral, 7, 13);
    std::copy(bytes.begin(), bytes.end(), out.begin() + 5);
    return out;
}

Bytes CSimAnswerEncoder::InfoVersion(const CSimModemState::VersionInfo& version)
{
    Bytes out = Vendor(kGeneral, 10, 11);
    Put16(out, 5, version.major);
    Put16(out, 7, version.minor);
    Put16(out, 9, version.feature);
    return out;
}

Bytes CSimAnswerEncoder::Battery(const CSimModemState::Battery& battery)
{
    Bytes out = Vendor(kGeneral, 11, kBatteryLength);
    Put16(out, 5, battery.chargeState);
    Put16(out, 7, battery.value);
    for (std::size_t i = 0; i < battery.thresholds.size(); ++i)
        Put16(out, 9 + 2 * i, battery.thresholds[i]);
    return out;
}

Bytes CSimAnswerEncoder::Banner(const std::string& text)
{
    const std::size_t n = std::min<std::size_t>(text.size(), 255);
    Bytes out = Vendor(kGeneral, 17, 7 + n);
    Put8(out, 6, static_cast<std::uint8_t>(n));
    PutText(out, 7, n, text);
    return out;
}

Bytes CSimAnswerEncoder::SmsList(std::uint32_t storage, std::uint32_t voiceMailSlot, std::uint32_t voiceMailActive,
                                 const std::vector<SmsListEntry>& entries)
{
    Bytes out = Vendor(kSms, 4, kSmsListLength);
    const std::size_t n = std::min(entries.size(), kSmsListMaxEntries);
    Put32(out, 5, static_cast<std::uint32_t>(n));
    Put32(out, 9, storage);
    Put32(out, 13, voiceMailSlot);
    Put32(out, 17, voiceMailActive);
    for (std::size_t i = 0; i < n; ++i) {
        Put32(out, 21 + 8 * i, entries[i].slot);
        Put32(out, 25 + 8 * i, entries[i].tag);
    }
    return out;
}

Bytes CSimAnswerEncoder::SmsMessage(const CSimModemState::SmsMessage& message)
{
    Bytes out = Vendor(kSms, 6, kSmsMessageLength);
    Put32(out, 5, message.teleservice);
    Put32(out, 9, message.timeStamp);
    Put8(out, 13, message.encoding);
    Put8(out, 14, message.language);
    Put8(out, 15, message.voiceMailCount);
    Put8(out, 16, static_cast<std::uint8_t>(PutText(out, 20, 36, message.address)));
    Put8(out, 17, static_cast<std::uint8_t>(PutText(out, 56, 36, message.callback)));
    Put16(out, 18, static_cast<std::uint16_t>(PutText(out, 92, kSmsTextBytes, message.text.data(), message.text.size())));
    return out;
}

Bytes CSimAnswerEncoder::SmsInfo(bool initialised, std::uint8_t maxSlots)
{
    Bytes out = Vendor(kSms, 8, 7);
    Put8(out, 5, initialised ? 1 : 0);
    Put8(out, 6, maxSlots);
    return out;
}

Bytes CSimAnswerEncoder::PbInfo(std::uint16_t maxRecords, std::uint16_t inUse, std::uint16_t maxNameLength)
{
    Bytes out = Vendor(kPhonebook, 0, 11);
    Put16(out, 5, maxRecords);
    Put16(out, 7, inUse);
    Put16(out, 9, maxNameLength);
    return out;
}

Bytes CSimAnswerEncoder::PbRead(const std::vector<CSimModemState::PbEntry>& records)
{
    Bytes out = Vendor(kPhonebook, 2, kPbReadLength);
    for (std::size_t i = 0; i < kPbReadMaxRecords; ++i) {
        const std::size_t at = 5 + i * kPbRecordLength;
        if (i >= records.size()) {
            Put8(out, at, 1);  // no record in this place
            continue;
        }
        const auto& r = records[i];
        Put8(out, at, 0);
        Put32(out, at + 1, r.index);
        Put8(out, at + 5, static_cast<std::uint8_t>(PutText(out, at + 6, 33, r.number)));
        PutText(out, at + 39, 65, r.name.data(), r.name.size());
    }
    return out;
}

Bytes CSimAnswerEncoder::CardStatus(const CSimModemState::Card& card)
{
    Bytes out = Vendor(kCard, 0, 9);
    Put8(out, 5, card.connected);
    Put8(out, 6, card.cardState);
    Put8(out, 7, card.lockState);
    const int retries = card.lockState == 4 ? card.unblockRetries : card.pinRetries;
    Put8(out, 8, static_cast<std::uint8_t>(std::clamp(retries, 0, 255)));
    return out;
}

Bytes CSimAnswerEncoder::ChvResult(std::uint16_t sub, std::uint8_t sw1, std::uint8_t sw2, std::uint8_t attemptsLeft,
                                   std::uint8_t status)
{
    Bytes out = Vendor(kCard, sub, 9);
    Put8(out, 5, sw1);
    Put8(out, 6, sw2);
    Put8(out, 7, attemptsLeft);
    Put8(out, 8, status);
    return out;
}

bool CSimAnswerEncoder::EncodeMin1(const std::string& digits, std::uint32_t& min1)
{
    if (digits.size() != 7 || !AllDigits(digits))
        return false;
    std::uint32_t high = 0;
    std::uint32_t low = 0;
    ThreeDigits(digits, 0, high);
    ThreeDigits(digits, 4, low);
    const int thousands = digits[3] - '0';
    min1 = (high << 14) | (static_cast<std::uint32_t>(thousands == 0 ? 10 : thousands) << 10) | low;
    return true;
}

bool CSimAnswerEncoder::EncodeMin2(const std::string& digits, std::uint16_t& min2)
{
    if (digits.size() != 3 || !AllDigits(digits))
        return false;
    std::uint32_t value = 0;
    ThreeDigits(digits, 0, value);
    min2 = static_cast<std::uint16_t>(value);
    return true;
}

std::uint32_t CSimAnswerEncoder::ModemTime(int year, int month, int day, int hour, int minute, int second)
{
    // Days from the civil calendar (proleptic Gregorian), counted from 1970-01-01.
    const int y = year - (month <= 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const long long days = static_cast<long long>(era) * 146097 + doe - 719468;
    const long long unixSeconds = days * 86400 + hour * 3600 + minute * 60 + second;
    constexpr long long kModemEpoch = 315964800;  // 1980-01-06 00:00:00 UTC
    return static_cast<std::uint32_t>(unixSeconds - kModemEpoch);
}

std::vector<std::uint8_t> CSimAnswerEncoder::Ucs2Name(const std::u16string& name)
{
    std::vector<std::uint8_t> out{0x80};
    for (char16_t c : name.substr(0, 32)) {
        out.push_back(static_cast<std::uint8_t>(c >> 8));
        out.push_back(static_cast<std::uint8_t>(c & 0xFF));
    }
    return out;
}

}  // namespace brivex::sim
