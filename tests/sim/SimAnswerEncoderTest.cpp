#include "CSimAnswerEncoder.h"

#include <gtest/gtest.h>

namespace {

using brivex::sim::CSimAnswerEncoder;

TEST(SimAnswerEncoderTest, MinEncodingGivesTheCodedDigits)
{
    struct Case {
        const char* digits;
        bool ok;
        std::uint32_t min1;
    };
    const Case cases[] = {
        {"1230000", true, (0x0Cu << 14) | (10u << 10) | 0x3E7u},  // 12 -> "123", thousands 10 -> "0", 999 -> "000"
        {"0009999", true, (999u << 14) | (9u << 10) | 888u},
        {"123000", false, 0},
        {"12a0000", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.digits);
        std::uint32_t min1 = 0;
        EXPECT_EQ(CSimAnswerEncoder::EncodeMin1(c.digits, min1), c.ok);
        if (c.ok) {
            EXPECT_EQ(min1, c.min1);
        }
    }
    std::uint16_t min2 = 0;
    ASSERT_TRUE(CSimAnswerEncoder::EncodeMin2("555", min2));
    EXPECT_EQ(min2, 444);
}

TEST(SimAnswerEncoderTest, ModemTimeCountsFromTheSixthOfJanuary1980)
{
    EXPECT_EQ(CSimAnswerEncoder::ModemTime(1980, 1, 6, 0, 0, 0), 0u);
    EXPECT_EQ(CSimAnswerEncoder::ModemTime(1981, 1, 5, 0, 0, 0), 86400u * 365);
    EXPECT_EQ(CSimAnswerEncoder::ModemTime(2100, 3, 1, 0, 0, 0) - CSimAnswerEncoder::ModemTime(2100, 2, 28, 0, 0, 0),
              86400u) << "2100 is not a leap year";
}

TEST(SimAnswerEncoderTest, CountsAndLengthsAreCutToTheirFields)
{
    std::vector<CSimAnswerEncoder::SmsListEntry> many(250, {1, 2});
    const auto list = CSimAnswerEncoder::SmsList(6, 0, 0, many);
    ASSERT_EQ(list.size(), 1605u);
    EXPECT_EQ(list[5], 198);

    brivex::sim::CSimModemState::CallerId caller;
    caller.number = std::string(100, '7');
    const auto id = CSimAnswerEncoder::CallerId(caller);
    EXPECT_EQ(id[9], 63);
    EXPECT_EQ(id[73], 0) << "the number field ends at 72";

    EXPECT_EQ(CSimAnswerEncoder::Banner(std::string(300, 'x')).size(), 7u + 255);
    EXPECT_EQ(CSimAnswerEncoder::Ucs2Name(u"\u0405A"), (std::vector<std::uint8_t>{0x80, 0x04, 0x05, 0x00, 0x41}));
}

}  // namespace
