#pragma once

#include <bitset>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brivex {

// The matching rules of the store's "like" searches: "*" matches any run of
// characters, "?" any one character, "#" one digit, "[abc]" one of the listed
// characters (ranges such as "a-z" allowed), "[!abc]" one character not
// listed; everything else matches itself, letters without regard to case.
// A bracket holding one character matches that character literally, so
// "[[]", "[]]", "[*]" and "[!]" stand for "[", "]", "*" and "!". Matching is
// byte-wise; the whole value must match the pattern.
class CJetPattern {
public:
    // The text with each "[", "]", "*", "?", "#" and "!" enclosed in square
    // brackets, in one pass, so the text matches only itself.
    static std::string Escape(std::string_view text);
    // "*" + Escape(text) + "*": values that contain the text.
    static std::string Contains(std::string_view text);

    // Compiles a pattern; nothing when a bracket is not closed.
    static std::optional<CJetPattern> Compile(std::string_view pattern);
    bool Matches(std::string_view value) const;

private:
    struct Token {
        enum Kind { AnyRun, OneChar, Set } kind;
        std::bitset<256> set;  // for Set: the bytes it takes
    };

    static std::optional<Token> ParseBracket(std::string_view pattern, std::size_t& pos);
    static Token Literal(unsigned char c);

    std::vector<Token> m_tokens;
};

}  // namespace brivex
