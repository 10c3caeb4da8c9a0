// Round trips through the simulated modem: our request goes to the
// simulator's handler, its own encoder answers from its state, and our parser
// must read back the values the state holds. The simulator shares no code
// with the packet classes, so a layout slip on either side fails here.

#include "CSimAnswerEncoder.h"
#include "CSimDiagHandler.h"
#include "CSimModemState.h"

#include "modem/CCardNameAlphabet.h"
#include "modem/CCardPackets.h"
#include "modem/CGeneralPackets.h"
#include "modem/CMinDecoder.h"
#include "modem/CModemTime.h"
#include "modem/CNvRelayPackets.h"
#include "modem/CPhonebookNumber.h"
#include "modem/CPhonebookPackets.h"
#include "modem/CSmsPackets.h"
#include "modem/CStandardPackets.h"
#include "modem/DiagCommands.h"

#include <gtest/gtest.h>

namespace brivex {
namespace {

using sim::CSimAnswerEncoder;
using sim::CSimDiagHandler;
using sim::CSimModemState;

class SimRoundTrip : public ::testing::Test {
protected:
    // The simulator's answer to one of our requests; empty when it gave none.
    std::vector<std::uint8_t> Exchange(const CRequestPacket& request)
    {
        std::string note;
        const auto answer = CSimDiagHandler::Handle(request.data(), request.size(), state, note);
        EXPECT_TRUE(answer) << "no answer: " << note;
        return answer.value_or(std::vector<std::uint8_t>{});
    }

    CSimModemState state;
};

TEST_F(SimRoundTrip, IdentityVersionAndOwnNumber)
{
    ASSERT_TRUE(CSimAnswerEncoder::EncodeMin1("5551234", state.identity.min1));
    ASSERT_TRUE(CSimAnswerEncoder::EncodeMin2("415", state.identity.min2));
    state.identity.ownNumber = "4155551234";

    const auto version = CStandardPackets::ParseVersionResponse(Exchange(CStandardPackets::BuildVersionRequest()));
    ASSERT_TRUE(version);
    EXPECT_EQ(version->buildDate, state.identity.buildDate);
    EXPECT_EQ(version->softwareVersion, state.identity.swVersion);
    EXPECT_EQ(version->hardwareVersion, state.identity.hwVersion);

    const auto status = CStandardPackets::ParseStatusResponse(Exchange(CStandardPackets::BuildStatusRequest()));
    ASSERT_TRUE(status);
    EXPECT_EQ(status->esn, state.identity.esn);
    EXPECT_EQ(CMinDecoder::Decode(status->min1, status->min2), "(415) 555-1234");

    const auto own = CNvRelayPackets::ParseReadResponse(
        Exchange(*CNvRelayPackets::BuildRead(NV_DIR_NUMBER_PCS_I, kModemTypeDiagDevice)), NV_DIR_NUMBER_PCS_I);
    ASSERT_TRUE(own);
    EXPECT_EQ(CNvRelayPackets::DirectoryNumberText(*own), "4155551234");
}

TEST_F(SimRoundTrip, MinDigitsWithZerosAndNines)
{
    for (const char* digits : {"0000000", "9999999", "1230999", "9090909"}) {
        ASSERT_TRUE(CSimAnswerEncoder::EncodeMin1(digits, state.identity.min1));
        state.identity.min2 = 0;
        const auto status = CStandardPackets::ParseStatusResponse(Exchange(CStandardPackets::BuildStatusRequest()));
        ASSERT_TRUE(status);
        const std::string d = digits;
        EXPECT_EQ(CMinDecoder::Decode(status->min1, status->min2), d.substr(0, 3) + "-" + d.substr(3)) << digits;
    }
}

TEST_F(SimRoundTrip, PreferredModeAndHybridWrittenThenRead)
{
    EXPECT_TRUE(CGeneralPackets::ParseSystemSelectResponse(Exchange(CGeneralPackets::BuildSystemSelect(10, 0))));
    const auto mode = CNvRelayPackets::ParseReadResponse(
        Exchange(*CNvRelayPackets::BuildRead(NV_PREF_MODE_I, kModemTypeDiagDevice)), NV_PREF_MODE_I);
    ASSERT_TRUE(mode);
    EXPECT_EQ(mode->preferredMode, 10);
    const auto hybrid = CNvRelayPackets::ParseReadResponse(
        Exchange(*CNvRelayPackets::BuildRead(NV_HYBRID_PREF_I, kModemTypeDiagDevice)), NV_HYBRID_PREF_I);
    ASSERT_TRUE(hybrid);
    EXPECT_EQ(hybrid->hybridPreference, 0);
}

TEST_F(SimRoundTrip, ServiceAndStatusInBothLayouts)
{
    state.status.systemMode = 4;
    state.status.callState = 0x86;
    state.status.roaming = 1;
    state.status.storageFull = 1;
    state.status.alert = 1;
    state.status.incomingIndicator = 1;
    state.status.dataSystemMode = 4;
    state.status.signal1x = 0xFFFFFFA0;
    state.status.signalEvdo = 28;
    CSimModemState::SmsMessage unread;
    unread.slot = 3;
    state.StoreSms(CSimModemState::kSmsMemory, unread);

    for (std::uint8_t serviceMode : {std::uint8_t{0x01}, std::uint8_t{0x81}}) {
        state.service.serviceMode = serviceMode;
        const auto service = CGeneralPackets::ParseServiceResponse(Exchange(CGeneralPackets::BuildServiceRequest()));
        ASSERT_TRUE(service);
        EXPECT_EQ(service->serviceMode, serviceMode);
        EXPECT_EQ(service->asciiSmsLimit, state.service.asciiLimit);
        EXPECT_EQ(service->unicodeSmsLimit, state.service.unicodeLimit);
        EXPECT_EQ(service->callbackLimit, state.service.callbackLimit);
        EXPECT_EQ(service->voiceVolume, state.service.voiceVolume);
        EXPECT_EQ(service->ringVolume, state.service.ringVolume);

        const StatusLayout layout = StatusLayoutFor(service->serviceMode);
        const auto status =
            CGeneralPackets::ParseStatusResponse(Exchange(CGeneralPackets::BuildStatusRequest()), layout);
        ASSERT_TRUE(status) << int(serviceMode);
        EXPECT_EQ(status->systemMode, 4);
        EXPECT_EQ(status->hybridInEffect, state.status.hybrid);
        EXPECT_EQ(status->callState, 0x86);
        EXPECT_EQ(status->channel, state.status.channel);
        EXPECT_EQ(status->dataSystemMode, 4);
        EXPECT_EQ(status->incomingCall, 1);
        EXPECT_EQ(status->newMessageCount, 1);
        EXPECT_EQ(status->roaming, 1);
        EXPECT_EQ(status->storageFull, 1);
        EXPECT_EQ(status->alert, 1);
        EXPECT_EQ(status->signalEvdo, 28u);
        if (layout == StatusLayout::Long)
            EXPECT_EQ(status->signal1x, 0xFFFFFFA0u);  // 32-bit in the long layout
        else
            EXPECT_EQ(status->signal1x, 0xFFu);        // one byte in the short one
    }
}

TEST_F(SimRoundTrip, CallerIdWithALongNumber)
{
    state.callerId.presentation = 0;
    state.callerId.number = std::string(63, '8');
    state.callerId.secondNumber = "SECOND";
    state.callerId.redirectingNumber = "5550100";
    state.callerId.redirectingName = "REDIR";
    state.callerId.redirection = 2;
    const auto r = CGeneralPackets::ParseCallerIdResponse(Exchange(CGeneralPackets::BuildCallerIdRequest()));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->number, state.callerId.number);
    EXPECT_EQ(r->secondNumber, "SECOND");
    EXPECT_EQ(r->redirectingNumber, "5550100");
    EXPECT_EQ(r->redirectingName, "REDIR");
    EXPECT_EQ(r->redirectionPresentation, 2);
    EXPECT_TRUE(r->WaitingOrRedirected());
}

TEST_F(SimRoundTrip, BatteryRatesBannerAndVersion)
{
    state.battery.chargeState = 0x0104;
    const auto battery = CGeneralPackets::ParseBatteryResponse(Exchange(CGeneralPackets::BuildBatteryRequest()));
    ASSERT_TRUE(battery);
    EXPECT_EQ(battery->chargeState, 0x04);
    EXPECT_EQ(battery->value, state.battery.value);
    EXPECT_EQ(battery->thresholds, state.battery.thresholds);

    state.dataRates.rate1x = 650;
    const auto oneX =
        CGeneralPackets::ParseOneXDataRateResponse(Exchange(CGeneralPackets::BuildOneXDataRateRequest()));
    ASSERT_TRUE(oneX);
    EXPECT_EQ(oneX->value, 650);
    const auto evdo =
        CGeneralPackets::ParseEvdoDataRateResponse(Exchange(CGeneralPackets::BuildEvdoDataRateRequest()));
    ASSERT_TRUE(evdo);
    EXPECT_EQ(evdo->rates, state.dataRates.evdo);

    state.banner = std::string(100, 'N');
    const auto banner = CGeneralPackets::ParseBannerResponse(Exchange(CGeneralPackets::BuildBannerRequest()));
    ASSERT_TRUE(banner);
    EXPECT_EQ(banner->textLength, 100);
    EXPECT_EQ(banner->text, std::string(64, 'N'));

    const auto version =
        CGeneralPackets::ParseInfoVersionResponse(Exchange(CGeneralPackets::BuildInfoVersionRequest()));
    ASSERT_TRUE(version);
    EXPECT_EQ(version->major, state.version.major);
    EXPECT_EQ(version->minor, state.version.minor);
    EXPECT_EQ(version->featureWord, state.version.feature);

    EXPECT_TRUE(CGeneralPackets::ParsePcVoiceEnableResponse(Exchange(CGeneralPackets::BuildPcVoiceEnable(true))));
    EXPECT_TRUE(state.pcVoice);
}

TEST_F(SimRoundTrip, SmsListReadDeleteAndInfo)
{
    CSimModemState::SmsMessage message;
    message.slot = 4;
    message.teleservice = 4098;
    message.timeStamp = CSimAnswerEncoder::ModemTime(2024, 2, 29, 13, 45, 10);
    message.encoding = 3;
    message.voiceMailCount = 2;
    message.address = "51230";
    message.callback = "5550000";
    message.text = {'P', 'a', 'y', ' ', '$', '5'};
    state.StoreSms(CSimModemState::kSmsMemory, message);
    CSimModemState::SmsMessage older = message;
    older.slot = 1;
    older.tag = CSimModemState::kTagRead;
    state.StoreSms(CSimModemState::kSmsMemory, older);
    state.sms.voiceMailSlot = 4;

    const auto list = CSmsPackets::ParseListResponse(Exchange(CSmsPackets::BuildList(SMS_STORAGE_MEMORY)));
    ASSERT_TRUE(list);
    EXPECT_EQ(list->storage, SMS_STORAGE_MEMORY);
    EXPECT_EQ(list->voiceMailSlot, 4u);
    EXPECT_EQ(list->voiceMailActive, 1u);
    ASSERT_EQ(list->entries.size(), 2u);
    EXPECT_EQ(list->entries[0].slot, 1u);
    EXPECT_EQ(list->entries[0].tag, SMS_TAG_READ);
    EXPECT_EQ(list->entries[1].slot, 4u);
    EXPECT_EQ(list->entries[1].tag, SMS_TAG_UNREAD);

    const auto read = CSmsPackets::ParseReadResponse(Exchange(CSmsPackets::BuildRead(4, SMS_STORAGE_MEMORY)));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->teleservice, 4098u);
    EXPECT_EQ(read->encoding, 3);
    EXPECT_EQ(read->voiceMailCount, 2);
    EXPECT_EQ(read->address, "51230");
    EXPECT_EQ(read->callback, "5550000");
    EXPECT_EQ(read->text, message.text);
    EXPECT_EQ(CModemTime::ToCalendar(read->timeStamp), (CalendarTime{2024, 2, 29, 13, 45, 10}));

    EXPECT_TRUE(CSmsPackets::ParseDeleteResponse(Exchange(CSmsPackets::BuildDelete(4, SMS_STORAGE_MEMORY))));
    EXPECT_EQ(state.FindSms(CSimModemState::kSmsMemory, 4), nullptr);
    // A second delete of the same slot is refused, and says so.
    const auto again = CSmsPackets::ParseDeleteResponse(Exchange(CSmsPackets::BuildDelete(4, SMS_STORAGE_MEMORY)));
    EXPECT_TRUE(again.Refused());

    const auto info = CSmsPackets::ParseInfoResponse(Exchange(CSmsPackets::BuildInfoRequest()));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->initialised, 1);
    EXPECT_EQ(info->maxSlots, state.sms.maxSlots);
}

TEST_F(SimRoundTrip, FullSmsListOfOneHundredNinetyEightEntries)
{
    for (std::uint32_t slot = 0; slot < 198; ++slot) {
        CSimModemState::SmsMessage m;
        m.slot = slot;
        state.StoreSms(CSimModemState::kSmsCard, m);
    }
    const auto list = CSmsPackets::ParseListResponse(Exchange(CSmsPackets::BuildList(SMS_STORAGE_CARD)));
    ASSERT_TRUE(list);
    ASSERT_EQ(list->entries.size(), 198u);
    EXPECT_EQ(list->entries.back().slot, 197u);
}

TEST_F(SimRoundTrip, SmsSendArrivesAsSent)
{
    SmsSendRecord message;
    message.encoding = SMS_ENC_ASCII;
    message.destination = "51230";
    message.text.assign(229, 'q');
    EXPECT_TRUE(CSmsPackets::ParseSendResponse(Exchange(*CSmsPackets::BuildSend(message))));
    ASSERT_EQ(state.sms.sent.size(), 1u);
    EXPECT_EQ(state.sms.sent[0].address, "51230");
    EXPECT_EQ(state.sms.sent[0].callback, "");
    EXPECT_EQ(state.sms.sent[0].text, message.text);
    EXPECT_EQ(state.sms.sent[0].encoding, SMS_ENC_ASCII);
}

TEST_F(SimRoundTrip, PhonebookInfoBlocksWriteAndDelete)
{
    auto& book = state.phonebook[CSimModemState::kPbCard];
    for (std::uint32_t i = 1; i <= 12; ++i) {
        CSimModemState::PbEntry entry;
        entry.index = i;
        entry.number = "5550" + std::to_string(100 + i) + "E";
        entry.name = i == 2 ? CSimAnswerEncoder::Ucs2Name(u"\u0410\u0411") : std::vector<std::uint8_t>{'N', 'o'};
        book.entries.push_back(entry);
    }

    const auto info = CPhonebookPackets::ParseInfoResponse(Exchange(*CPhonebookPackets::BuildInfo(PB_STORAGE_CARD)));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->maxRecords, book.capacity);
    EXPECT_EQ(info->recordsInUse, 12);
    EXPECT_EQ(info->maxNameLength, book.maxNameLength);

    const auto first =
        CPhonebookPackets::ParseReadResponse(Exchange(*CPhonebookPackets::BuildRead(kPbStorageWordCard, 10)), 10);
    ASSERT_TRUE(first);
    ASSERT_EQ(first->records.size(), 10u);
    EXPECT_EQ(first->records[0].index, 1u);
    EXPECT_EQ(CPhonebookNumber::Clean(first->records[0].number, true), "5550101");
    EXPECT_EQ(CCardNameAlphabet::Decode(first->records[0].name), u"No");
    EXPECT_EQ(CCardNameAlphabet::Decode(first->records[1].name), u"\u0410\u0411");

    const auto last =
        CPhonebookPackets::ParseReadResponse(Exchange(*CPhonebookPackets::BuildRead(kPbStorageWordCard, 2)), 2);
    ASSERT_TRUE(last);
    EXPECT_EQ(last->records[0].index, 11u);
    EXPECT_EQ(last->records[1].index, 12u);

    PhonebookEntry entry;
    entry.storage = PB_STORAGE_MEMORY;
    entry.index = 7;
    entry.number = "0123456789";
    entry.name = *CCardNameAlphabet::Encode(u"\u0416a");
    EXPECT_TRUE(CPhonebookPackets::ParseWriteResponse(Exchange(*CPhonebookPackets::BuildWrite(entry))));
    const auto block =
        CPhonebookPackets::ParseReadResponse(Exchange(*CPhonebookPackets::BuildRead(kPbStorageWordMemory, 1)), 1);
    ASSERT_TRUE(block);
    EXPECT_EQ(block->records[0].readStatus, 0);
    EXPECT_EQ(block->records[0].index, 7u);
    EXPECT_EQ(block->records[0].number, "0123456789");
    EXPECT_EQ(CCardNameAlphabet::Decode(block->records[0].name), u"\u0416a");

    EXPECT_TRUE(
        CPhonebookPackets::ParseDeleteResponse(Exchange(CPhonebookPackets::BuildDelete(PB_STORAGE_MEMORY, 7))));
    EXPECT_TRUE(state.phonebook[CSimModemState::kPbMemory].entries.empty());
}

TEST_F(SimRoundTrip, CardStatusVerifyAndUnblock)
{
    state.card.lockState = CARD_PIN_ENABLED;
    const auto status = CCardPackets::ParseStatusResponse(Exchange(CCardPackets::BuildStatusRequest()));
    ASSERT_TRUE(status);
    EXPECT_EQ(status->connected, 1);
    EXPECT_EQ(status->cardState, CARD_VALID_CARD);
    EXPECT_EQ(status->lockState, CARD_PIN_ENABLED);
    EXPECT_EQ(status->retryCount, CSimModemState::kPinAttempts);

    const auto wrong = CCardPackets::ParseVerifyChvResponse(Exchange(CCardPackets::BuildVerifyChv("1111")));
    ASSERT_TRUE(wrong);
    EXPECT_EQ(wrong->sw1, CHV_SW1_FAILURE);
    EXPECT_EQ(wrong->sw2, CHV_SW2_WRONG_CODE);
    EXPECT_EQ(wrong->attemptsLeft, CSimModemState::kPinAttempts - 1);

    const auto right = CCardPackets::ParseVerifyChvResponse(Exchange(CCardPackets::BuildVerifyChv("5960")));
    ASSERT_TRUE(right);
    EXPECT_EQ(right->sw1, CHV_SW1_SUCCESS);

    const auto unblock =
        CCardPackets::ParseUnblockChvResponse(Exchange(CCardPackets::BuildUnblockChv("12345678", "87654321")));
    ASSERT_TRUE(unblock);
    EXPECT_EQ(unblock->sw1, CHV_SW1_SUCCESS);
    EXPECT_EQ(state.card.pin, "87654321");
}

TEST_F(SimRoundTrip, KeysAndOrigination)
{
    const auto dial = Exchange(*CStandardPackets::BuildCallOrigination("5551234"));
    EXPECT_TRUE(CStandardPackets::ParseCallOriginationResponse(dial));
    EXPECT_EQ(state.call.dialled, "5551234");
    EXPECT_TRUE(CStandardPackets::ParseKeyPressResponse(Exchange(CStandardPackets::BuildKeyPress(KEY_END, false))));
    ASSERT_FALSE(state.call.keys.empty());
    EXPECT_EQ(state.call.keys.back(), KEY_END);
}

}  // namespace
}  // namespace brivex
