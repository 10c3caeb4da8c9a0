#include "link/CCommPort.h"
#include "link/CFrameCheck.h"
#include "link/CHdlcCodec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace brivex {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct WorkedFrame {
    const char* name;
    Bytes packet;
    Bytes wire;
};

class WorkedFrames : public ::testing::TestWithParam<WorkedFrame> {};

TEST_P(WorkedFrames, BuildAndParse)
{
    const auto& c = GetParam();
    CCommPort port;
    const std::size_t length = port.BuildFrame(c.packet.data(), c.packet.size());
    EXPECT_EQ(Bytes(port.FrameBuffer(), port.FrameBuffer() + length), c.wire);
    EXPECT_EQ(port.FrameLength(), length);
    EXPECT_EQ(CHdlcCodec::Encode(c.packet.data(), c.packet.size()), c.wire);

    ASSERT_TRUE(port.ParseFrame(c.wire.data(), c.wire.size() - 1));
    EXPECT_EQ(Bytes(port.PayloadBuffer(), port.PayloadBuffer() + port.PayloadLength()), c.packet);
}

INSTANTIATE_TEST_SUITE_P(Link, WorkedFrames,
                         ::testing::Values(WorkedFrame{"OneZero", {0x00}, {0x00, 0x78, 0xF0, 0x7E}},
                                           WorkedFrame{"VendorStatus", {0xCF, 0x01, 0x00}, {0xCF, 0x01, 0x00, 0x49, 0x9F, 0x7E}},
                                           WorkedFrame{"OneFlag", {0x7E}, {0x7D, 0x5E, 0x81, 0x6A, 0x7E}}),
                         [](const auto& info) { return info.param.name; });

// A packet of the given head and a two-byte tail whose check sequence holds
// the special byte.
Bytes PacketWhoseCheckHolds(const Bytes& head, std::uint8_t special)
{
    for (unsigned v = 0; v < 0x10000; ++v) {
        Bytes packet = head;
        packet.push_back(static_cast<std::uint8_t>(v >> 8));
        packet.push_back(static_cast<std::uint8_t>(v));
        const std::uint16_t fcs = CFrameCheck::Compute(packet.data(), packet.size());
        if ((fcs & 0xFF) == special || (fcs >> 8) == special)
            return packet;
    }
    return {};
}

TEST(HdlcCodec, SpecialBytesInBodyAndCheckRoundTrip)
{
    std::vector<Bytes> packets = {
        {0x7E},
        {0x7D},
        {0x7D, 0x7E, 0x7D, 0x7E},
        {0x00, 0x7D, 0x5D, 0x7E, 0x5E, 0x20, 0xFF},
        PacketWhoseCheckHolds({0xCF, 0x01}, 0x7E),
        PacketWhoseCheckHolds({0xCF, 0x01}, 0x7D),
    };
    Bytes all(256);
    for (unsigned i = 0; i < 256; ++i)
        all[i] = static_cast<std::uint8_t>(i);
    packets.push_back(all);
    for (const auto& packet : packets) {
        ASSERT_FALSE(packet.empty());
        const Bytes wire = CHdlcCodec::Encode(packet.data(), packet.size());
        // Exactly one flag, at the end: every special byte was escaped.
        ASSERT_EQ(std::count(wire.begin(), wire.end(), CHdlcCodec::kFlag), 1);
        ASSERT_EQ(wire.back(), CHdlcCodec::kFlag);
        CCommPort port;
        ASSERT_TRUE(port.ParseFrame(wire.data(), wire.size() - 1));
        EXPECT_EQ(Bytes(port.PayloadBuffer(), port.PayloadBuffer() + port.PayloadLength()), packet);
    }
}

TEST(HdlcCodec, FrameBufferBounds)
{
    CCommPort port;
    // The longest request fits even when every byte needs escaping.
    const Bytes longest(322, 0x7E);
    EXPECT_GE(port.BuildFrame(longest.data(), longest.size()), 2 * longest.size() + 3);
    const Bytes tooLong(2046, 0x00);
    EXPECT_EQ(port.BuildFrame(tooLong.data(), tooLong.size()), 0u);
    EXPECT_EQ(port.FrameLength(), 0u);
}

TEST(HdlcCodec, ParseRejectsWhatExceedsThePayloadBuffer)
{
    CCommPort port;
    Bytes fits(CCommPort::kBufferSize - 2, 0x11);
    Bytes wire = CHdlcCodec::Encode(fits.data(), fits.size());
    EXPECT_TRUE(port.ParseFrame(wire.data(), wire.size() - 1));
    EXPECT_EQ(port.PayloadLength(), fits.size());

    fits.push_back(0x11);
    wire = CHdlcCodec::Encode(fits.data(), fits.size());
    EXPECT_FALSE(port.ParseFrame(wire.data(), wire.size() - 1));
    EXPECT_EQ(port.PayloadLength(), 0u);
}

TEST(HdlcCodec, BadInputIsABadFrame)
{
    CCommPort port;
    const std::vector<Bytes> inputs = {
        {},                  // nothing
        {0x7D},              // a lone escape
        {0x00, 0x78},        // too short to hold a check
        {0x00, 0x78, 0xF1},  // spoiled check
        {0x7D, 0x7D, 0x7D},  // escapes only
    };
    for (const auto& in : inputs)
        EXPECT_FALSE(port.ParseFrame(in.data(), in.size())) << in.size();
}

}  // namespace
}  // namespace brivex
