// Every request builder against the exact bytes, length and time-out the
// modem expects.

#include "AnswerBytes.h"

#include "modem/CCardPackets.h"
#include "modem/CGeneralPackets.h"
#include "modem/CNvRelayPackets.h"
#include "modem/CPhonebookPackets.h"
#include "modem/CSmsPackets.h"
#include "modem/CStandardPackets.h"
#include "modem/DiagCommands.h"

#include <gtest/gtest.h>

namespace brivex {
namespace {

using test::Hex;

struct BuilderCase {
    const char* name;
    CRequestPacket packet;
    const char* bytes;  // the whole request
    std::uint32_t timeoutMs;
};

class RequestBytes : public ::testing::TestWithParam<BuilderCase> {};

TEST_P(RequestBytes, AreExact)
{
    const BuilderCase& c = GetParam();
    EXPECT_EQ(c.packet.ToVector(), Hex(c.bytes));
    EXPECT_EQ(c.packet.TimeoutMs(), c.timeoutMs);
}

const BuilderCase kBuilders[] = {
    {"Version", CStandardPackets::BuildVersionRequest(), "00", 3000},
    {"DiagStatus", CStandardPackets::BuildStatusRequest(), "0C", 3000},
    {"KeyDigitHeld", CStandardPackets::BuildKeyPress('5', true), "20 01 35", 3000},
    {"KeyEnd", CStandardPackets::BuildKeyPress(KEY_END, false), "20 00 51", 3000},
    {"Service", CGeneralPackets::BuildServiceRequest(), "CF 00 00", 3000},
    {"Status", CGeneralPackets::BuildStatusRequest(), "CF 01 00", 3000},
    {"CallerId", CGeneralPackets::BuildCallerIdRequest(), "CF 02 00", 3000},
    {"SystemSelect", CGeneralPackets::BuildSystemSelect(10, 0xFFFF), "CF 04 00 0A 00 FF FF", 3000},
    {"OneXRate", CGeneralPackets::BuildOneXDataRateRequest(), "CF 05 00", 3000},
    {"EvdoRate", CGeneralPackets::BuildEvdoDataRateRequest(), "CF 07 00", 3000},
    {"InfoVersion", CGeneralPackets::BuildInfoVersionRequest(), "CF 0A 00", 3000},
    {"Battery", CGeneralPackets::BuildBatteryRequest(), "CF 0B 00", 3000},
    {"Banner", CGeneralPackets::BuildBannerRequest(), "CF 11 00", 3000},
    {"PcVoiceOn", CGeneralPackets::BuildPcVoiceEnable(true), "CF 16 00 01", 3000},
    {"PcVoiceOff", CGeneralPackets::BuildPcVoiceEnable(false), "CF 16 00 00", 3000},
    {"SmsDelete", CSmsPackets::BuildDelete(0x0102, SMS_STORAGE_MEMORY), "D0 02 00 02 01 00 00 06 00 00 00", 10000},
    {"SmsList", CSmsPackets::BuildList(SMS_STORAGE_CARD), "D0 04 00 05 00 00 00", 5000},
    {"SmsRead", CSmsPackets::BuildRead(7, SMS_STORAGE_MEMORY), "D0 06 00 07 00 00 00 06 00 00 00", 3000},
    {"SmsInfo", CSmsPackets::BuildInfoRequest(), "D0 08 00", 3000},
    {"PbInfoCard", *CPhonebookPackets::BuildInfo(PB_STORAGE_CARD), "D1 00 00 01 01 FF", 3000},
    {"PbInfoMemory", *CPhonebookPackets::BuildInfo(PB_STORAGE_MEMORY), "D1 00 00 09 00 00", 3000},
    {"PbReadCard", *CPhonebookPackets::BuildRead(kPbStorageWordCard, 10), "D1 02 00 01 FF 0A", 6000},
    // Any storage word but the card's reads modem memory.
    {"PbReadMemory", *CPhonebookPackets::BuildRead(0x1234, 5), "D1 02 00 00 00 05", 6000},
    {"PbDelete", CPhonebookPackets::BuildDelete(PB_STORAGE_MEMORY, 0x01020304), "D1 03 00 09 04 03 02 01", 6000},
    {"RuimStatus", CCardPackets::BuildStatusRequest(), "D2 00 00", 60000},
    {"VerifyFourDigits", CCardPackets::BuildVerifyChv("5960"), "D2 01 00 35 39 36 30 FF FF FF FF", 60000},
    {"VerifyEightDigits", CCardPackets::BuildVerifyChv("12345678"), "D2 01 00 31 32 33 34 35 36 37 38", 60000},
    {"Unblock", CCardPackets::BuildUnblockChv("87654321", "1234"),
     "D2 05 00 38 37 36 35 34 33 32 31 31 32 33 34 FF FF FF FF", 60000},
    {"NvHybrid", *CNvRelayPackets::BuildRead(NV_HYBRID_PREF_I, kModemTypeDiagDevice),
     "D5 26 00 32 02 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00", 3000},
};

INSTANTIATE_TEST_SUITE_P(Catalogue, RequestBytes, ::testing::ValuesIn(kBuilders),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RequestBuilders, CallOriginationPadsDigitsAndEndsWithTheFixedTail)
{
    const auto packet = CStandardPackets::BuildCallOrigination("5551234");
    ASSERT_TRUE(packet);
    std::vector<std::uint8_t> expected(36, 0);
    expected[0] = 0x35;
    expected[1] = 7;
    for (int i = 0; i < 7; ++i)
        expected[2 + i] = static_cast<std::uint8_t>("5551234"[i]);
    expected[34] = 0x0B;
    EXPECT_EQ(packet->ToVector(), expected);

    EXPECT_TRUE(CStandardPackets::BuildCallOrigination(std::string(32, '1')));
    EXPECT_FALSE(CStandardPackets::BuildCallOrigination(std::string(33, '1')));
}

TEST(RequestBuilders, KeyHoldFlagOnlyForOrdinaryKeysWhileHoldIsOn)
{
    EXPECT_TRUE(CStandardPackets::KeyHoldFlag('#', true));
    for (std::uint8_t key : {KEY_SEND, KEY_END, KEY_CLR})
        EXPECT_FALSE(CStandardPackets::KeyHoldFlag(key, true)) << int(key);
    EXPECT_FALSE(CStandardPackets::KeyHoldFlag('1', false));
}

TEST(RequestBuilders, SmsSendLaysOutTheMessageRecord)
{
    SmsSendRecord message;
    message.encoding = SMS_ENC_ASCII;
    message.destination = "51230";
    message.callback = "99";
    message.text = {'b', 'a', 'l'};
    const auto packet = CSmsPackets::BuildSend(message);
    ASSERT_TRUE(packet);
    ASSERT_EQ(packet->size(), 311u);
    EXPECT_EQ(packet->TimeoutMs(), 15000u);

    std::vector<std::uint8_t> expected(311, 0);
    expected[0] = 0xD0;
    expected[3] = 2;
    expected[5] = 2;  // callback length
    expected[6] = 5;  // destination length
    expected[7] = 3;  // text length
    expected[9] = '9';
    expected[10] = '9';
    for (int i = 0; i < 5; ++i)
        expected[45 + i] = static_cast<std::uint8_t>("51230"[i]);
    expected[81] = 'b';
    expected[82] = 'a';
    expected[83] = 'l';
    EXPECT_EQ(packet->ToVector(), expected);
}

TEST(RequestBuilders, SmsSendTakesTwoHundredTwentyNineBytesAndRefusesMore)
{
    SmsSendRecord message;
    message.destination = "51230";
    message.text.assign(229, 'x');
    const auto full = CSmsPackets::BuildSend(message);
    ASSERT_TRUE(full);
    EXPECT_EQ((*full)[7] | ((*full)[8] << 8), 229);
    EXPECT_EQ((*full)[309], 'x');
    EXPECT_EQ((*full)[310], 0);  // reserved

    message.text.push_back('x');
    EXPECT_FALSE(CSmsPackets::BuildSend(message));

    message.text.assign(10, 'x');
    message.destination.assign(37, '1');
    EXPECT_FALSE(CSmsPackets::BuildSend(message));
}

TEST(RequestBuilders, PhonebookWriteSendsFortyTwoPlusTheNameLength)
{
    PhonebookEntry entry;
    entry.storage = PB_STORAGE_MEMORY;
    entry.index = 0x0203;
    entry.number = "0123";
    entry.name = {'A', 'n', 'n'};
    const auto packet = CPhonebookPackets::BuildWrite(entry);
    ASSERT_TRUE(packet);
    EXPECT_EQ(packet->TimeoutMs(), 6000u);

    std::vector<std::uint8_t> expected(45, 0);
    expected[0] = 0xD1;
    expected[1] = 1;
    expected[3] = 9;
    expected[4] = 0x03;
    expected[5] = 0x02;
    expected[8] = 4;
    for (int i = 0; i < 4; ++i)
        expected[9 + i] = static_cast<std::uint8_t>("0123"[i]);
    expected[41] = 3;
    expected[42] = 'A';
    expected[43] = 'n';
    expected[44] = 'n';
    EXPECT_EQ(packet->ToVector(), expected);

    entry.name.assign(65, 'z');
    const auto longest = CPhonebookPackets::BuildWrite(entry);
    ASSERT_TRUE(longest);
    EXPECT_EQ(longest->size(), 107u);
    EXPECT_EQ((*longest)[106], 'z');
}

TEST(RequestBuilders, RefuseWhatDoesNotFitTheirFields)
{
    PhonebookEntry entry;
    entry.name.assign(66, 'z');
    EXPECT_FALSE(CPhonebookPackets::BuildWrite(entry));
    entry.name.clear();
    entry.number.assign(33, '1');
    EXPECT_FALSE(CPhonebookPackets::BuildWrite(entry));

    EXPECT_FALSE(CPhonebookPackets::BuildRead(kPbStorageWordCard, 0));
    EXPECT_FALSE(CPhonebookPackets::BuildRead(kPbStorageWordCard, 11));
    EXPECT_FALSE(CPhonebookPackets::BuildInfo(5));
}

TEST(RequestBuilders, NvReadGoesOutOnlyForTheModemsOwnDevice)
{
    EXPECT_FALSE(CNvRelayPackets::BuildRead(NV_PREF_MODE_I, 0));
    EXPECT_FALSE(CNvRelayPackets::BuildRead(NV_PREF_MODE_I, 1));
    const auto packet = CNvRelayPackets::BuildRead(NV_DIR_NUMBER_PCS_I, kModemTypeDiagDevice);
    ASSERT_TRUE(packet);
    EXPECT_EQ(packet->size(), 24u);
    EXPECT_EQ((*packet)[3], 215);
    EXPECT_EQ((*packet)[4], 0);
}

TEST(RequestBuilders, PinFieldsPackOnlyTheLeadingDigits)
{
    // The codes come from the profile file; stray characters never reach the card.
    EXPECT_EQ(CCardPackets::BuildVerifyChv("12a4").ToVector(), Hex("D2 01 00 31 32 FF FF FF FF FF FF"));
    EXPECT_EQ(CCardPackets::BuildVerifyChv("").ToVector(), Hex("D2 01 00 FF FF FF FF FF FF FF FF"));
    EXPECT_EQ(CCardPackets::BuildVerifyChv("1234567890").ToVector(), Hex("D2 01 00 31 32 33 34 35 36 37 38"));
}

}  // namespace
}  // namespace brivex
