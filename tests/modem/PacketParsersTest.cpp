// Response parsers: the fields they read, and what they make of answers that
// are short, of another command, refused or carry counts that do not fit.

#include "AnswerBytes.h"

#include "modem/CCardPackets.h"
#include "modem/CGeneralPackets.h"
#include "modem/CNvRelayPackets.h"
#include "modem/CPhonebookPackets.h"
#include "modem/CSmsPackets.h"
#include "modem/CStandardPackets.h"
#include "modem/DiagCommands.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace brivex {
namespace {

using test::AnswerBytes;
using Bytes = std::span<const std::uint8_t>;

// A parser with its record type erased: nothing on success, else the failure.
using AnyParser = std::function<std::optional<ParseFailure>(Bytes)>;

template <typename T>
std::optional<ParseFailure> Outcome(const CParseResult<T>& result)
{
    if (result)
        return std::nullopt;
    return result.Failure();
}

template <auto Parse>
AnyParser Erase()
{
    return [](Bytes b) { return Outcome(Parse(b)); };
}

struct ParserCase {
    const char* name;
    AnyParser parse;
    std::vector<std::uint8_t> answer;  // the shortest good answer
    bool vendor;                       // carries sub-command and result word
};

std::vector<std::uint8_t> Vendor(std::uint8_t code, std::uint16_t sub, std::size_t length)
{
    return AnswerBytes::Vendor(code, sub, length).Bytes();
}

std::vector<ParserCase> Cases()
{
    using G = CGeneralPackets;
    using S = CSmsPackets;
    using P = CPhonebookPackets;
    using C = CCardPackets;
    using N = CNvRelayPackets;
    auto smsList = AnswerBytes::Vendor(QOR_CMD_SMS, QOR_SUB_SMS_GET_LIST, 21 + 3 * 8).U32(5, 3).Bytes();
    auto banner = AnswerBytes::Vendor(QOR_CMD_GENERAL, QOR_SUB_NET_BANNER, 7).U8(6, 7).Text(7, "CORVANA").Bytes();
    auto ownNumber = AnswerBytes::Vendor(QOR_CMD_NV_RELAY, QOR_SUB_NV_READ, 9).U8(8, 10).Text(9, "5551234567").Bytes();
    return {
        {"Version", Erase<CStandardPackets::ParseVersionResponse>(), AnswerBytes(52).Bytes(), false},
        {"DiagStatus", Erase<CStandardPackets::ParseStatusResponse>(), AnswerBytes(22).U8(0, 0x0C).Bytes(), false},
        {"KeyPress", Erase<CStandardPackets::ParseKeyPressResponse>(), AnswerBytes(1).U8(0, 0x20).Bytes(), false},
        {"Origination", Erase<CStandardPackets::ParseCallOriginationResponse>(), AnswerBytes(1).U8(0, 0x35).Bytes(),
         false},
        {"Service", Erase<G::ParseServiceResponse>(), Vendor(0xCF, 0, 12), true},
        {"StatusShort", [](Bytes b) { return Outcome(G::ParseStatusResponse(b, StatusLayout::Short)); },
         Vendor(0xCF, 1, 26), true},
        {"StatusLong", [](Bytes b) { return Outcome(G::ParseStatusResponse(b, StatusLayout::Long)); },
         Vendor(0xCF, 1, 31), true},
        {"CallerId", Erase<G::ParseCallerIdResponse>(), Vendor(0xCF, 2, 270), true},
        {"SystemSelect", Erase<G::ParseSystemSelectResponse>(), Vendor(0xCF, 4, 5), true},
        {"OneXRate", Erase<G::ParseOneXDataRateResponse>(), Vendor(0xCF, 5, 7), true},
        {"EvdoRate", Erase<G::ParseEvdoDataRateResponse>(), Vendor(0xCF, 7, 13), true},
        {"InfoVersion", Erase<G::ParseInfoVersionResponse>(), Vendor(0xCF, 10, 11), true},
        {"Battery", Erase<G::ParseBatteryResponse>(), Vendor(0xCF, 11, 19), true},
        {"Banner", Erase<G::ParseBannerResponse>(), banner, true},
        {"PcVoice", Erase<G::ParsePcVoiceEnableResponse>(), Vendor(0xCF, 22, 5), true},
        {"SmsSend", Erase<S::ParseSendResponse>(), Vendor(0xD0, 0, 5), true},
        {"SmsDelete", Erase<S::ParseDeleteResponse>(), Vendor(0xD0, 2, 5), true},
        {"SmsList", Erase<S::ParseListResponse>(), smsList, true},
        {"SmsRead", Erase<S::ParseReadResponse>(), Vendor(0xD0, 6, 321), true},
        {"SmsInfo", Erase<S::ParseInfoResponse>(), Vendor(0xD0, 8, 7), true},
        {"PbInfo", Erase<P::ParseInfoResponse>(), Vendor(0xD1, 0, 11), true},
        {"PbWrite", Erase<P::ParseWriteResponse>(), Vendor(0xD1, 1, 5), true},
        {"PbRead", [](Bytes b) { return Outcome(P::ParseReadResponse(b, 10)); }, Vendor(0xD1, 2, 1045), true},
        {"PbDelete", Erase<P::ParseDeleteResponse>(), Vendor(0xD1, 3, 5), true},
        {"RuimStatus", Erase<C::ParseStatusResponse>(), Vendor(0xD2, 0, 9), true},
        {"VerifyChv", Erase<C::ParseVerifyChvResponse>(), Vendor(0xD2, 1, 9), true},
        {"UnblockChv", Erase<C::ParseUnblockChvResponse>(), Vendor(0xD2, 5, 9), true},
        {"NvPrefMode", [](Bytes b) { return Outcome(N::ParseReadResponse(b, NV_PREF_MODE_I)); },
         Vendor(0xD5, 0x26, 10), true},
        {"NvHybrid", [](Bytes b) { return Outcome(N::ParseReadResponse(b, NV_HYBRID_PREF_I)); },
         Vendor(0xD5, 0x26, 8), true},
        {"NvOwnNumber", [](Bytes b) { return Outcome(N::ParseReadResponse(b, NV_DIR_NUMBER_PCS_I)); }, ownNumber,
         true},
    };
}

void PrintTo(const ParserCase& c, std::ostream* os) { *os << c.name; }

class EveryParser : public ::testing::TestWithParam<ParserCase> {};

TEST_P(EveryParser, TakesItsShortestGoodAnswerAndALongerOne)
{
    const ParserCase& c = GetParam();
    EXPECT_EQ(c.parse(c.answer), std::nullopt);
    auto longer = c.answer;
    longer.resize(longer.size() + 40, 0xEE);
    EXPECT_EQ(c.parse(longer), std::nullopt);
}

TEST_P(EveryParser, SaysTooShortForEveryTruncation)
{
    const ParserCase& c = GetParam();
    for (std::size_t length = 0; length < c.answer.size(); ++length) {
        // A copy of exactly that length, so the sanitizers see any read past it.
        const std::vector<std::uint8_t> cut(c.answer.begin(), c.answer.begin() + static_cast<std::ptrdiff_t>(length));
        const auto failure = c.parse(cut);
        ASSERT_TRUE(failure) << "length " << length;
        EXPECT_EQ(failure->reason, ParseError::TooShort) << "length " << length;
    }
}

TEST_P(EveryParser, RejectsTheAnswerOfAnotherCommand)
{
    const ParserCase& c = GetParam();
    auto other = c.answer;
    other[0] ^= 0x01;
    const auto failure = c.parse(other);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->reason, ParseError::WrongCode);
}

TEST(VendorParsers, AnswersMustRepeatTheSubCommandAndSucceed)
{
    for (const ParserCase& c : Cases()) {
        if (!c.vendor)
            continue;
        auto otherSub = c.answer;
        otherSub[2] ^= 0x40;
        auto failure = c.parse(otherSub);
        ASSERT_TRUE(failure) << c.name;
        EXPECT_EQ(failure->reason, ParseError::WrongSubCommand) << c.name;

        // A refusal needs no payload: the bare header says it.
        std::vector<std::uint8_t> refused(c.answer.begin(), c.answer.begin() + 5);
        refused[3] = 0x02;
        refused[4] = 0x01;
        failure = c.parse(refused);
        ASSERT_TRUE(failure) << c.name;
        EXPECT_EQ(failure->reason, ParseError::ModemRefused) << c.name;
        EXPECT_EQ(failure->modemResult, 0x0102) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Catalogue, EveryParser, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

// --- fields -----------------------------------------------------------------

TEST(StandardParsers, VersionAndIdentityFields)
{
    auto version = AnswerBytes(52).Text(1, "Mar 14 2008").Text(39, "BRX1.2.0").U16(50, 0x1A0B);
    const auto v = CStandardPackets::ParseVersionResponse(version);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->buildDate, "Mar 14 2008");
    EXPECT_EQ(v->softwareVersion, "BRX1.2.0");
    EXPECT_EQ(v->hardwareVersion, 0x1A0B);

    auto status = AnswerBytes(22).U8(0, 0x0C).U32(4, 0x9E3C6502).U32(14, 0x00ABCDEF).U16(20, 0x0155);
    const auto s = CStandardPackets::ParseStatusResponse(status);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->esn, 0x9E3C6502u);
    EXPECT_EQ(s->min1, 0x00ABCDEFu);
    EXPECT_EQ(s->min2, 0x0155);
}

TEST(GeneralParsers, ServiceFieldsAndTheLayoutBit)
{
    auto answer = AnswerBytes::Vendor(0xCF, 0, 12).Raw(5, {0x81, 7, 160, 70, 32, 3, 4});
    const auto r = CGeneralPackets::ParseServiceResponse(answer);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->serviceMode, 0x81);
    EXPECT_TRUE(r->LongStatusLayout());
    EXPECT_EQ(r->indicatorValue, 7);
    EXPECT_EQ(r->asciiSmsLimit, 160);
    EXPECT_EQ(r->unicodeSmsLimit, 70);
    EXPECT_EQ(r->callbackLimit, 32);
    EXPECT_EQ(r->voiceVolume, 3);
    EXPECT_EQ(r->ringVolume, 4);
    EXPECT_EQ(StatusLayoutFor(r->serviceMode), StatusLayout::Long);
    EXPECT_EQ(StatusLayoutFor(0x7F), StatusLayout::Short);
}

TEST(GeneralParsers, StatusShortLayout)
{
    auto answer = AnswerBytes::Vendor(0xCF, 1, 26)
                      .Raw(5, {2, 1})
                      .U16(7, 0x0304)
                      .Raw(9, {0x86, 5})
                      .U16(11, 283)
                      .Raw(13, {1, 25, 30, 4, 3})
                      .U16(18, 0x0102)
                      .Raw(20, {1, 1, 9})
                      .U8(25, 1);
    const auto r = CGeneralPackets::ParseStatusResponse(answer, StatusLayout::Short);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->systemMode, 2);
    EXPECT_EQ(r->hybridInEffect, 1);
    EXPECT_EQ(r->rfMode, 0x0304);
    EXPECT_EQ(r->callState, 0x86);
    EXPECT_EQ(r->serviceOption, 5);
    EXPECT_EQ(r->channel, 283);
    EXPECT_EQ(r->bandClass, 1);
    EXPECT_EQ(r->signal1x, 25u);
    EXPECT_EQ(r->signalEvdo, 30u);
    EXPECT_EQ(r->dataSystemMode, 4);
    EXPECT_EQ(r->incomingCall, 3);
    EXPECT_EQ(r->newMessageCount, 0x0102);
    EXPECT_EQ(r->roaming, 1);
    EXPECT_EQ(r->storageFull, 1);
    EXPECT_EQ(r->serviceState, 9);
    EXPECT_EQ(r->alert, 1);
}

TEST(GeneralParsers, StatusLongLayoutHasWideSignalsAndMovedFields)
{
    auto answer = AnswerBytes::Vendor(0xCF, 1, 31)
                      .U8(5, 4)
                      .U8(9, 0x82)
                      .U32(14, 0xFFFFFFA0)   // -96 dBm
                      .U32(18, 0xFFFFFFB5)   // -75 dBm
                      .U8(22, 4)             // data system mode; also the service-state byte
                      .U8(23, 1)
                      .U16(24, 3)
                      .U8(26, 1)
                      .U8(27, 0)
                      .U8(30, 1);
    const auto r = CGeneralPackets::ParseStatusResponse(answer, StatusLayout::Long);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->layout, StatusLayout::Long);
    EXPECT_EQ(static_cast<std::int32_t>(r->signal1x), -96);
    EXPECT_EQ(static_cast<std::int32_t>(r->signalEvdo), -75);
    EXPECT_EQ(r->dataSystemMode, 4);
    EXPECT_EQ(r->serviceState, 4);
    EXPECT_EQ(r->incomingCall, 1);
    EXPECT_EQ(r->newMessageCount, 3);
    EXPECT_EQ(r->roaming, 1);
    EXPECT_EQ(r->alert, 1);
}

TEST(GeneralParsers, CallerIdFields)
{
    auto answer = AnswerBytes::Vendor(0xCF, 2, 270)
                      .U8(7, 0)
                      .U8(9, 10)
                      .Text(10, "5551234567")
                      .Text(75, "ALICE")
                      .Text(139, "5550000")
                      .Text(204, "BOB")
                      .U8(268, 1);
    const auto r = CGeneralPackets::ParseCallerIdResponse(answer);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->number, "5551234567");
    EXPECT_EQ(r->secondNumber, "ALICE");
    EXPECT_EQ(r->redirectingNumber, "5550000");
    EXPECT_EQ(r->redirectingName, "BOB");
    EXPECT_TRUE(r->WaitingOrRedirected());
}

TEST(GeneralParsers, CallerIdNumberIsCappedAtSixtyThree)
{
    auto answer = AnswerBytes::Vendor(0xCF, 2, 270).U8(9, 255).Text(10, std::string(65, '7'));
    const auto r = CGeneralPackets::ParseCallerIdResponse(answer);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->numberLength, 255);
    EXPECT_EQ(r->number, std::string(63, '7'));

    // The number ends at its length, not at the end of the field.
    auto shortNumber = AnswerBytes::Vendor(0xCF, 2, 270).U8(9, 3).Text(10, "123456");
    EXPECT_EQ(CGeneralPackets::ParseCallerIdResponse(shortNumber)->number, "123");
}

TEST(GeneralParsers, BatteryRatesAndVersion)
{
    auto battery = AnswerBytes::Vendor(0xCF, 11, 19).U16(5, 0x0304).U16(7, 3900);
    for (int i = 0; i < 5; ++i)
        battery.U16(9 + 2 * i, static_cast<std::uint16_t>(3400 + 100 * i));
    const auto b = CGeneralPackets::ParseBatteryResponse(battery);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->chargeState, 4);  // low byte only
    EXPECT_EQ(b->value, 3900);
    EXPECT_EQ(b->thresholds, (std::array<std::uint16_t, 5>{3400, 3500, 3600, 3700, 3800}));

    auto oneX = AnswerBytes::Vendor(0xCF, 5, 7).U16(5, 905);
    EXPECT_EQ(CGeneralPackets::ParseOneXDataRateResponse(oneX)->value, 905);
    auto evdo = AnswerBytes::Vendor(0xCF, 7, 13).Raw(5, {0x12, 0x34, 0, 0, 0, 0, 0, 0xF0});
    EXPECT_EQ(CGeneralPackets::ParseEvdoDataRateResponse(evdo)->rates,
              (std::array<std::uint8_t, 8>{0x12, 0x34, 0, 0, 0, 0, 0, 0xF0}));

    auto version = AnswerBytes::Vendor(0xCF, 10, 11).U16(5, 3).U16(7, 4).U16(9, 0xBEEF);
    const auto v = CGeneralPackets::ParseInfoVersionResponse(version);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->major, 3);
    EXPECT_EQ(v->minor, 4);
    EXPECT_EQ(v->featureWord, 0xBEEF);
}

TEST(GeneralParsers, BannerIsCutAtSixtyFourAndItsLengthIsChecked)
{
    auto longBanner = AnswerBytes::Vendor(0xCF, 17, 7).U8(6, 200).Text(7, std::string(200, 'B'));
    const auto r = CGeneralPackets::ParseBannerResponse(longBanner);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->textLength, 200);
    EXPECT_EQ(r->text, std::string(64, 'B'));

    // A length of 255 with ten bytes behind it: the kept 64 did not arrive.
    auto hostile = AnswerBytes::Vendor(0xCF, 17, 7).U8(6, 255).Text(7, "0123456789");
    EXPECT_EQ(CGeneralPackets::ParseBannerResponse(hostile).Error(), ParseError::TooShort);

    auto empty = AnswerBytes::Vendor(0xCF, 17, 7);
    const auto e = CGeneralPackets::ParseBannerResponse(empty);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->textLength, 0);
    EXPECT_EQ(e->text, "");
}

TEST(SmsParsers, ListEntriesAndVoiceMail)
{
    auto answer = AnswerBytes::Vendor(0xD0, 4, 1605).U32(5, 2).U32(9, 6).U32(13, 4).U32(17, 1);
    answer.U32(21, 3).U32(25, 2).U32(29, 4).U32(33, 1);
    const auto r = CSmsPackets::ParseListResponse(answer);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->storage, 6u);
    EXPECT_EQ(r->voiceMailSlot, 4u);
    EXPECT_EQ(r->voiceMailActive, 1u);
    ASSERT_EQ(r->entries.size(), 2u);
    EXPECT_EQ(r->entries[0].slot, 3u);
    EXPECT_EQ(r->entries[0].tag, 2u);
    EXPECT_EQ(r->entries[1].slot, 4u);
    EXPECT_EQ(r->entries[1].tag, 1u);
}

TEST(SmsParsers, ListCountIsCheckedAgainstTheCapAndWhatArrived)
{
    struct Case {
        std::uint32_t count;
        std::size_t length;
        std::optional<ParseError> expected;
    };
    const Case cases[] = {
        {198, 1605, std::nullopt},
        {199, 1605, ParseError::BadCount},      // more than a full answer holds
        {0xFFFFFFFF, 1605, ParseError::BadCount},
        {0, 21, std::nullopt},
        {5, 21 + 4 * 8, ParseError::TooShort},  // five entries promised, four arrived
        {5, 21 + 5 * 8 - 1, ParseError::TooShort},
        {5, 21 + 5 * 8, std::nullopt},
    };
    for (const Case& c : cases) {
        auto answer = AnswerBytes::Vendor(0xD0, 4, c.length).U32(5, c.count);
        const auto r = CSmsPackets::ParseListResponse(answer);
        if (c.expected) {
            EXPECT_EQ(r.Error(), *c.expected) << c.count << " in " << c.length;
        } else {
            ASSERT_TRUE(r) << c.count << " in " << c.length;
            EXPECT_EQ(r->entries.size(), c.count);
        }
    }
}

TEST(SmsParsers, MessageFieldsAreCutToTheirLengthsAndFields)
{
    auto answer = AnswerBytes::Vendor(0xD0, 6, 321)
                      .U32(5, 4098)
                      .U32(9, 86400)
                      .Raw(13, {3, 1, 2, 5, 255})
                      .U16(18, 0xFFFF)
                      .Text(20, "51230")
                      .Text(56, std::string(36, '9'))
                      .Text(92, std::string(229, 't'));
    const auto r = CSmsPackets::ParseReadResponse(answer);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->teleservice, 4098u);
    EXPECT_EQ(r->timeStamp, 86400u);
    EXPECT_EQ(r->encoding, 3);
    EXPECT_EQ(r->language, 1);
    EXPECT_EQ(r->voiceMailCount, 2);
    EXPECT_EQ(r->addressLength, 5);
    EXPECT_EQ(r->address, "51230");
    EXPECT_EQ(r->callbackLength, 255);
    EXPECT_EQ(r->callback, std::string(36, '9'));  // 255 kept to the 36-byte field
    EXPECT_EQ(r->textLength, 0xFFFF);
    EXPECT_EQ(r->text.size(), 229u);               // kept to the 229-byte field
    EXPECT_EQ(r->textField[228], 't');

    auto shortText = AnswerBytes::Vendor(0xD0, 6, 321).U16(18, 3).Text(92, "hello");
    const auto text = CSmsPackets::ParseReadResponse(shortText)->text;
    EXPECT_EQ(std::string(text.begin(), text.end()), "hel");
}

TEST(SmsParsers, InfoFields)
{
    auto answer = AnswerBytes::Vendor(0xD0, 8, 7).Raw(5, {1, 50});
    const auto r = CSmsPackets::ParseInfoResponse(answer);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->initialised, 1);
    EXPECT_EQ(r->maxSlots, 50);
}

TEST(PhonebookParsers, InfoFields)
{
    auto answer = AnswerBytes::Vendor(0xD1, 0, 11).U16(5, 250).U16(7, 25).U16(9, 16);
    const auto r = CPhonebookPackets::ParseInfoResponse(answer);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->maxRecords, 250);
    EXPECT_EQ(r->recordsInUse, 25);
    EXPECT_EQ(r->maxNameLength, 16);
}

TEST(PhonebookParsers, ReadRecordsOfABlock)
{
    auto answer = AnswerBytes::Vendor(0xD1, 2, 1045);
    answer.U8(5, 0).U32(6, 17).U8(10, 4).Text(11, "0123").Raw(44, {0x81, 1, 0x08, 0x85});
    answer.U8(5 + 104, 1);  // second record not valid
    const auto r = CPhonebookPackets::ParseReadResponse(answer, 2);
    ASSERT_TRUE(r);
    ASSERT_EQ(r->records.size(), 2u);
    EXPECT_EQ(r->records[0].readStatus, 0);
    EXPECT_EQ(r->records[0].index, 17u);
    EXPECT_EQ(r->records[0].number, "0123");
    EXPECT_EQ(r->records[0].name[0], 0x81);
    EXPECT_EQ(r->records[0].name[3], 0x85);
    EXPECT_EQ(r->records[1].readStatus, 1);
}

TEST(PhonebookParsers, HostileNumberLengthAndRecordCounts)
{
    auto answer = AnswerBytes::Vendor(0xD1, 2, 1045).U8(10, 255).Text(11, std::string(40, '5'));
    const auto r = CPhonebookPackets::ParseReadResponse(answer, 1);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->records[0].numberLength, 255);
    EXPECT_EQ(r->records[0].number, std::string(33, '5'));  // kept to the 33-byte field

    EXPECT_EQ(CPhonebookPackets::ParseReadResponse(answer, 11).Error(), ParseError::BadCount);
    // Ten records asked for, nine arrived.
    auto nine = AnswerBytes::Vendor(0xD1, 2, 5 + 9 * 104);
    EXPECT_EQ(CPhonebookPackets::ParseReadResponse(nine, 10).Error(), ParseError::TooShort);
    EXPECT_TRUE(CPhonebookPackets::ParseReadResponse(nine, 9));
}

TEST(CardParsers, StatusAndChvFields)
{
    auto status = AnswerBytes::Vendor(0xD2, 0, 9).Raw(5, {1, 2, 4, 10});
    const auto s = CCardPackets::ParseStatusResponse(status);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->connected, 1);
    EXPECT_EQ(s->cardState, CARD_VALID_CARD);
    EXPECT_EQ(s->lockState, CARD_PIN_BLOCKED);
    EXPECT_EQ(s->retryCount, 10);

    auto chv = AnswerBytes::Vendor(0xD2, 5, 9).Raw(5, {0x98, 0x04, 2, 7});
    const auto c = CCardPackets::ParseUnblockChvResponse(chv);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->sw1, CHV_SW1_FAILURE);
    EXPECT_EQ(c->sw2, CHV_SW2_WRONG_CODE);
    EXPECT_EQ(c->attemptsLeft, 2);
    EXPECT_EQ(c->status, 7);
    // The verify answer is not the unblock answer.
    EXPECT_EQ(CCardPackets::ParseVerifyChvResponse(chv).Error(), ParseError::WrongSubCommand);
}

TEST(NvParsers, ItemFields)
{
    auto mode = AnswerBytes::Vendor(0xD5, 0x26, 24).U16(8, 10);
    EXPECT_EQ(CNvRelayPackets::ParseReadResponse(mode, NV_PREF_MODE_I)->preferredMode, 10);
    auto hybrid = AnswerBytes::Vendor(0xD5, 0x26, 24).U8(7, 1);
    EXPECT_EQ(CNvRelayPackets::ParseReadResponse(hybrid, NV_HYBRID_PREF_I)->hybridPreference, 1);
}

TEST(NvParsers, OwnNumberDigitCountIsCheckedAndNonDigitsMasked)
{
    struct Case {
        std::uint8_t count;
        std::string digits;  // what follows the count in a 24-byte answer
        std::optional<std::string> stored;  // nothing: the answer is refused
    };
    const Case cases[] = {
        {10, "5551234567", "5551234567"},
        {0, "", ""},
        {4, "12a4", "----------"},
        {3, "123x", "123"},   // only the counted characters are checked
        {15, "123456789012345", "123456789012345"},
        {16, "1234567890123456", std::nullopt},  // runs past the 24 bytes
        {255, "1", std::nullopt},
    };
    for (const Case& c : cases) {
        auto answer = AnswerBytes::Vendor(0xD5, 0x26, 24).U8(8, c.count).Text(9, c.digits);
        std::vector<std::uint8_t> bytes = answer.Bytes();
        bytes.resize(24);
        const auto r = CNvRelayPackets::ParseReadResponse(bytes, NV_DIR_NUMBER_PCS_I);
        if (!c.stored) {
            EXPECT_EQ(r.Error(), ParseError::TooShort) << int(c.count);
            continue;
        }
        ASSERT_TRUE(r) << int(c.count);
        EXPECT_EQ(CNvRelayPackets::DirectoryNumberText(*r), *c.stored) << int(c.count);
    }
}

}  // namespace
}  // namespace brivex
