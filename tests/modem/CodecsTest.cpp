// The small codecs that turn response fields into text and requests.

#include "modem/CCardNameAlphabet.h"
#include "modem/CDataRateLevels.h"
#include "modem/CMinDecoder.h"
#include "modem/CPhonebookNumber.h"
#include "modem/CPinPacking.h"
#include "modem/CSmsText.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace brivex {
namespace {

constexpr std::uint32_t Min1(std::uint32_t firstThree, std::uint32_t thousands, std::uint32_t lastThree)
{
    return (firstThree << 14) | (thousands << 10) | lastThree;
}

struct MinCase {
    std::uint32_t min1;
    std::uint16_t min2;
    std::optional<std::string> text;
};

class MinDecoding : public ::testing::TestWithParam<MinCase> {};

TEST_P(MinDecoding, Decodes)
{
    EXPECT_EQ(CMinDecoder::Decode(GetParam().min1, GetParam().min2), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Min, MinDecoding,
    ::testing::Values(
        // 12 is coded 1,2,3 less one each; 999 is three coded zeros.
        MinCase{Min1(0x0C, 10, 0x3E7), 0, "123-0000"},
        MinCase{Min1(0x0C, 10, 0x3E7), 0x0C, "(123) 123-0000"},
        MinCase{Min1(443, 4, 122), 443, "(554) 554-4233"},
        MinCase{Min1(0, 1, 0), 0, "111-1111"},
        MinCase{Min1(0x0C, 10, 0x3E7) | 0xFF000000, 0, "123-0000"},  // only 24 bits count
        MinCase{Min1(0x0C, 10, 0x3E7), 1000, std::nullopt},
        MinCase{Min1(0x0C, 10, 1000), 0, std::nullopt},
        MinCase{Min1(0x0C, 0, 0), 0, std::nullopt},
        MinCase{Min1(0x0C, 11, 0), 0, std::nullopt},
        MinCase{Min1(0x0C, 15, 0), 0, std::nullopt},
        // MIN1 0 has thousands code 0, which fails before the empty-MIN1 rule.
        MinCase{0, 0x0C, std::nullopt}));

TEST(MinDecoding, ThreeDigitRule)
{
    const std::pair<std::uint32_t, const char*> cases[] = {
        {0, "111"}, {9, "110"}, {90, "101"}, {900, "011"}, {999, "000"}, {12, "123"}, {998, "009"}};
    for (const auto& [value, text] : cases)
        EXPECT_EQ(CMinDecoder::ThreeDigits(value), text) << value;
}

struct NameCase {
    const char* what;
    std::vector<std::uint8_t> field;
    std::u16string name;
};

class CardNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(CardNames, Decode)
{
    EXPECT_EQ(CCardNameAlphabet::Decode(GetParam().field), GetParam().name) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Alphabets, CardNames,
    ::testing::Values(
        NameCase{"plain", {'A', 'n', 'n', 0, 'x'}, u"Ann"},
        NameCase{"ucs2", {0x80, 0x04, 0x10, 0x00, 'B', 0x00, 0x00, 0x00, 'C'}, u"\u0410B"},
        NameCase{"base81", {0x81, 0x01, 0x08, 0x85}, u"\u0405"},
        NameCase{"base81mixed", {0x81, 0x03, 0x08, 0x85, 'a', 0xFF}, u"\u0405a\u047F"},
        NameCase{"base82", {0x82, 0x02, 0x04, 0x00, 0x90, '1'}, u"\u0410" u"1"},
        NameCase{"countPastTheBytes", {0x81, 0xFF, 0x08, 0x85, 0x86}, u"\u0405\u0406"},
        NameCase{"headerCut81", {0x81, 0x05}, u""},
        NameCase{"headerCut82", {0x82, 0x05, 0x04}, u""},
        NameCase{"oddUcs2Byte", {0x80, 0x00, 'A', 0x00}, u"A"},
        NameCase{"unknownMarker", {0x90, 'A'}, u""},
        NameCase{"empty", {}, u""}));

TEST(CardNames, PlainAndUcs2NamesStopAtTheField)
{
    std::vector<std::uint8_t> plain(100, 'p');
    EXPECT_EQ(CCardNameAlphabet::Decode(plain).size(), 65u);
    std::vector<std::uint8_t> wide(100, 0x41);
    wide[0] = 0x80;
    EXPECT_EQ(CCardNameAlphabet::Decode(wide).size(), 32u);  // 64 bytes after the marker
}

TEST(CardNames, KeptHighByteFirst)
{
    EXPECT_EQ(CCardNameAlphabet::ToBigEndian(u"\u0405A"), (std::vector<std::uint8_t>{0x04, 0x05, 0x00, 0x41}));
}

TEST(CardNames, EncodeIsWhatDecodeReads)
{
    EXPECT_EQ(CCardNameAlphabet::Encode(u"Ann"), (std::vector<std::uint8_t>{'A', 'n', 'n'}));
    const auto wide = CCardNameAlphabet::Encode(u"\u0410b");
    ASSERT_TRUE(wide);
    EXPECT_EQ(*wide, (std::vector<std::uint8_t>{0x80, 0x04, 0x10, 0x00, 'b'}));
    EXPECT_EQ(CCardNameAlphabet::Decode(*wide), u"\u0410b");

    EXPECT_TRUE(CCardNameAlphabet::Encode(std::u16string(65, u'a')));
    EXPECT_FALSE(CCardNameAlphabet::Encode(std::u16string(66, u'a')));
    EXPECT_TRUE(CCardNameAlphabet::Encode(std::u16string(32, u'\u0410')));
    EXPECT_FALSE(CCardNameAlphabet::Encode(std::u16string(33, u'\u0410')));
}

TEST(PhonebookNumbers, CleanUp)
{
    const struct {
        const char* number;
        bool card;
        const char* clean;
    } cases[] = {
        {"555E1234", false, "5551234"},
        {"5?5e5", false, "555"},
        {"P123*#", false, "p123*#"},
        {"123456789012345678901234", true, "12345678901234567890"},
        {"123456789012345678901234", false, "123456789012345678901234"},
        {"1234567890123456789e12", true, "1234567890123456789"},  // cut before the clean-up
    };
    for (const auto& c : cases)
        EXPECT_EQ(CPhonebookNumber::Clean(c.number, c.card), c.clean) << c.number;
}

std::vector<std::uint8_t> B(const std::string& s) { return {s.begin(), s.end()}; }

TEST(SmsTexts, CleanUpOnReadingByEncoding)
{
    const struct {
        std::uint8_t encoding;
        std::string text;
        std::uint8_t storedEncoding;
        std::string clean;
    } cases[] = {
        {3, "a$b~c", 3, "akzb c"},
        {4, std::string("h\0i\0", 4), 2, std::string("h\0i\0", 4)},
        {2, "a$b~c", 2, "a$b~c"},
        {16, "a$b~c", 16, "a$b~c"},
    };
    for (const auto& c : cases) {
        const auto cleaned = CSmsText::CleanOnRead(c.encoding, B(c.text));
        EXPECT_EQ(cleaned.encoding, c.storedEncoding) << int(c.encoding);
        EXPECT_EQ(cleaned.text, B(c.clean)) << int(c.encoding);
    }
}

TEST(SmsTexts, IaFiveExpansionNeverGrowsPastTheField)
{
    const auto cleaned = CSmsText::CleanOnRead(3, B(std::string(229, '$')));
    EXPECT_EQ(cleaned.text.size(), 228u);  // 114 whole replacements; half of one is not made
    const auto odd = CSmsText::CleanOnRead(3, B("x" + std::string(228, '$')));
    EXPECT_EQ(odd.text.size(), 229u);
    EXPECT_EQ(CSmsText::CleanOnRead(2, B(std::string(300, 'a'))).text.size(), 229u);
}

TEST(PinPacking, DigitsThenFiller)
{
    using Field = std::array<std::uint8_t, 8>;
    EXPECT_EQ(CPinPacking::Pack("5960"), (Field{'5', '9', '6', '0', 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(CPinPacking::Pack("12345678"), (Field{'1', '2', '3', '4', '5', '6', '7', '8'}));
    EXPECT_EQ(CPinPacking::Pack("123456789"), (Field{'1', '2', '3', '4', '5', '6', '7', '8'}));
    EXPECT_EQ(CPinPacking::Pack(""), (Field{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(CPinPacking::Pack(std::string("12\0" "4", 4)), (Field{'1', '2', 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(DataRateLevels, OneXBoundaries)
{
    const std::pair<std::uint16_t, std::uint8_t> cases[] = {{0, 0},   {1, 1},   {199, 1}, {200, 2},  {499, 2},
                                                            {500, 3}, {899, 3}, {900, 4}, {65535, 4}};
    for (const auto& [value, level] : cases)
        EXPECT_EQ(CDataRateLevels::OneXLevel(value), level) << value;
}

TEST(DataRateLevels, EvdoTakesTheLargerHalf)
{
    EXPECT_EQ(CDataRateLevels::EvdoLevels({0x12, 0x34, 0x21, 0x00, 0xF0, 0x0F, 0xCD, 0x99}),
              (std::array<std::uint8_t, 8>{2, 4, 2, 0, 15, 15, 13, 9}));
}

}  // namespace
}  // namespace brivex
