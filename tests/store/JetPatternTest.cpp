#include "store/CJetPattern.h"

#include <gtest/gtest.h>

namespace brivex {
namespace {

TEST(JetPatternTest, EscapeBracketsEachSpecialCharacterOnce)
{
    EXPECT_EQ(CJetPattern::Escape("a[b"), "a[[]b");
    EXPECT_EQ(CJetPattern::Escape("[]*?#!"), "[[][]][*][?][#][!]");
    EXPECT_EQ(CJetPattern::Escape("o'neil 50% a_b"), "o'neil 50% a_b");
    EXPECT_EQ(CJetPattern::Contains("x*"), "*x[*]*");
}

struct MatchCase {
    const char* pattern;
    const char* value;
    bool matches;
};

class JetPatternMatch : public ::testing::TestWithParam<MatchCase> {};

TEST_P(JetPatternMatch, MatchesAsTheSearchesExpect)
{
    const MatchCase& c = GetParam();
    const auto pattern = CJetPattern::Compile(c.pattern);
    ASSERT_TRUE(pattern.has_value()) << c.pattern;
    EXPECT_EQ(pattern->Matches(c.value), c.matches) << c.pattern << " ~ " << c.value;
}

INSTANTIATE_TEST_SUITE_P(Cases, JetPatternMatch,
                         ::testing::Values(
                             // "*" takes any run, the empty one too; the whole value must match.
                             MatchCase{"*", "", true}, MatchCase{"**", "abc", true}, MatchCase{"a*", "abc", true},
                             MatchCase{"*c", "abc", true}, MatchCase{"a*", "bac", false},
                             MatchCase{"*b*", "abc", true}, MatchCase{"abc", "abcd", false},
                             MatchCase{"*a*b*", "xxaxxbxx", true}, MatchCase{"*a*b", "xxaxxbxxc", false},
                             // Letters without regard to case.
                             MatchCase{"*KIM*", "Dr. kim", true}, MatchCase{"[a-c]x", "BX", true},
                             // "?" one character, "#" one digit.
                             MatchCase{"a?c", "abc", true}, MatchCase{"a?c", "ac", false},
                             MatchCase{"##", "42", true}, MatchCase{"##", "4x", false},
                             // Groups, ranges, negation.
                             MatchCase{"[xyz]", "y", true}, MatchCase{"[!xyz]", "y", false},
                             MatchCase{"[!xyz]", "a", true}, MatchCase{"[0-9]b", "7b", true},
                             // One character in brackets is that character, even a special one.
                             MatchCase{"*a[[]b*", "xa[by", true}, MatchCase{"*a[[]b*", "xaby", false},
                             MatchCase{"[]]", "]", true}, MatchCase{"[*]", "*", true}, MatchCase{"[*]", "x", false},
                             MatchCase{"[?]", "?", true}, MatchCase{"[?]", "x", false}, MatchCase{"[#]", "#", true},
                             MatchCase{"[!]", "!", true}, MatchCase{"[!]", "x", false},
                             // The SQL wildcards and quotes are plain characters here.
                             MatchCase{"*%*", "50%", true}, MatchCase{"*%*", "50", false},
                             MatchCase{"a_b", "a_b", true}, MatchCase{"a_b", "axb", false},
                             MatchCase{"*'*", "o'neil", true}));

TEST(JetPatternTest, EscapedTextMatchesOnlyItself)
{
    for (const char* text : {"a[b", "]x", "1*2", "??", "#9", "hey!", "[!]", "50%", "a_b", "o'neil"}) {
        const auto pattern = CJetPattern::Compile(CJetPattern::Contains(text));
        ASSERT_TRUE(pattern.has_value()) << text;
        EXPECT_TRUE(pattern->Matches(std::string("<") + text + ">")) << text;
        std::string altered = text;
        altered.back() = altered.back() == 'z' ? 'y' : 'z';
        EXPECT_FALSE(pattern->Matches(altered)) << text;
    }
}

TEST(JetPatternTest, AnUnclosedBracketIsNoPattern)
{
    EXPECT_FALSE(CJetPattern::Compile("a[b").has_value());
    EXPECT_FALSE(CJetPattern::Compile("[").has_value());
}

TEST(JetPatternTest, ManyStarsOnALongValueStayQuick)
{
    // The matcher goes back only to the last "*": no exponential search.
    const auto pattern = CJetPattern::Compile(std::string(200, '*') + "*a*a*a*a*a*a*a*a*b");
    ASSERT_TRUE(pattern.has_value());
    EXPECT_FALSE(pattern->Matches(std::string(5000, 'a')));
}

}  // namespace
}  // namespace brivex
