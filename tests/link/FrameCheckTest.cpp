#include "link/CFrameCheck.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace brivex {
namespace {

// The polynomial bit by bit, independent of any table.
std::uint16_t BitwiseUpdate(std::uint16_t crc, const std::uint8_t* data, std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int b = 0; b < 8; ++b)
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0x8408) : static_cast<std::uint16_t>(crc >> 1);
    }
    return crc;
}

TEST(FrameCheck, CheckValueOfTheStandardString)
{
    const char* text = "123456789";
    const auto* data = reinterpret_cast<const std::uint8_t*>(text);
    EXPECT_EQ(CFrameCheck::Compute(data, std::strlen(text)), 0x906E);
}

TEST(FrameCheck, GoodFrameLeavesTheResidue)
{
    std::vector<std::uint8_t> data = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    const std::uint16_t fcs = CFrameCheck::Compute(data.data(), data.size());
    data.push_back(static_cast<std::uint8_t>(fcs & 0xFF));
    data.push_back(static_cast<std::uint8_t>(fcs >> 8));
    EXPECT_EQ(CFrameCheck::Update(CFrameCheck::kInit, data.data(), data.size()), CFrameCheck::kGood);
    EXPECT_TRUE(CFrameCheck::IsGood(data.data(), data.size()));
    data[3] ^= 0x01;
    EXPECT_FALSE(CFrameCheck::IsGood(data.data(), data.size()));
}

// The eight-byte steps must give the byte table's result for every length,
// alignment and starting value.
TEST(FrameCheck, WideStepsMatchOneByteSteps)
{
    std::mt19937 rng(7);
    std::vector<std::uint8_t> buffer(300);
    for (auto& b : buffer)
        b = static_cast<std::uint8_t>(rng());
    for (std::size_t offset = 0; offset < 8; ++offset)
        for (std::size_t length = 0; length + offset <= buffer.size(); length += 1 + length / 16) {
            const std::uint16_t start = static_cast<std::uint16_t>(rng());
            const std::uint8_t* data = buffer.data() + offset;
            const std::uint16_t expected = BitwiseUpdate(start, data, length);
            ASSERT_EQ(CFrameCheck::UpdateBytewise(start, data, length), expected) << offset << "/" << length;
            ASSERT_EQ(CFrameCheck::Update(start, data, length), expected) << offset << "/" << length;
        }
}

}  // namespace
}  // namespace brivex
