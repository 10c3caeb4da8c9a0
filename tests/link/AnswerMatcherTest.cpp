#include "link/CAnswerMatcher.h"

#include <gtest/gtest.h>

#include <vector>

namespace brivex {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct AnswerRule {
    const char* name;
    Bytes request;
    Bytes payload;
    bool answers;
};

class AnswerRules : public ::testing::TestWithParam<AnswerRule> {};

TEST_P(AnswerRules, Answers)
{
    const auto& c = GetParam();
    EXPECT_EQ(CAnswerMatcher::Answers(c.payload.data(), c.payload.size(), c.request.data(), c.request.size()),
              c.answers);
}

INSTANTIATE_TEST_SUITE_P(
    Link, AnswerRules,
    ::testing::Values(AnswerRule{"SameCode", {0x0C}, {0x0C, 0x01}, true},
                      AnswerRule{"OtherCode", {0x0C}, {0x0D, 0x01}, false},
                      AnswerRule{"StandardCodeIgnoresLaterBytes", {0x0C, 0x01, 0x02}, {0x0C, 0x09, 0x09}, true},
                      AnswerRule{"VendorSameSubCommand", {0xCF, 0x01, 0x00}, {0xCF, 0x01, 0x00, 0x05}, true},
                      AnswerRule{"VendorOtherFirstSubByte", {0xD0, 0x01, 0x00}, {0xD0, 0x02, 0x00, 0x05}, false},
                      AnswerRule{"VendorOtherSecondSubByte", {0xD1, 0x01, 0x00}, {0xD1, 0x01, 0x01}, false},
                      AnswerRule{"VendorAnswerTooShort", {0xD2, 0x01, 0x00}, {0xD2, 0x01}, false},
                      AnswerRule{"VendorD5", {0xD5, 0x07, 0x08}, {0xD5, 0x07, 0x08}, true},
                      AnswerRule{"ShortVendorRequestComparesWhatItHas", {0xCF, 0x01}, {0xCF, 0x01, 0x77}, true},
                      AnswerRule{"EmptyPayload", {0x0C}, {}, false}),
    [](const auto& info) { return info.param.name; });

TEST(AnswerMatcher, VendorCodes)
{
    for (unsigned code = 0; code < 256; ++code) {
        const bool vendor = code == 0xCF || code == 0xD0 || code == 0xD1 || code == 0xD2 || code == 0xD5;
        EXPECT_EQ(CAnswerMatcher::RepeatsSubCommand(static_cast<std::uint8_t>(code)), vendor) << code;
    }
}

}  // namespace
}  // namespace brivex
