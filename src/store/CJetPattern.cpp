#include "store/CJetPattern.h"

#include <cctype>

namespace brivex {
namespace {

constexpr std::string_view kSpecial = "[]*?#!";

void AddBothCases(std::bitset<256>& set, unsigned char c)
{
    set.set(c);
    set.set(static_cast<unsigned char>(std::tolower(c)));
    set.set(static_cast<unsigned char>(std::toupper(c)));
}

}  // namespace

std::string CJetPattern::Escape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (kSpecial.find(c) != std::string_view::npos) {
            out += '[';
            out += c;
            out += ']';
        } else {
            out += c;
        }
    }
    return out;
}

std::string CJetPattern::Contains(std::string_view text)
{
    return "*" + Escape(text) + "*";
}

CJetPattern::Token CJetPattern::Literal(unsigned char c)
{
    Token t{Token::Set, {}};
    AddBothCases(t.set, c);
    return t;
}

// pos is just past the "["; on return it is just past the closing "]".
std::optional<CJetPattern::Token> CJetPattern::ParseBracket(std::string_view pattern, std::size_t& pos)
{
    if (pos >= pattern.size())
        return std::nullopt;
    const std::size_t close = pattern.find(']', pos + 1);
    if (close == std::string_view::npos)
        return std::nullopt;
    // The first character is the bracket's own even when it is "]" or "!":
    // "[]]" and "[!]" hold one literal character each.
    std::string_view body = pattern.substr(pos, close - pos);
    pos = close + 1;
    bool negated = false;
    if (body.size() > 1 && body.front() == '!') {
        negated = true;
        body.remove_prefix(1);
    }
    Token t{Token::Set, {}};
    for (std::size_t i = 0; i < body.size(); ++i) {
        const auto first = static_cast<unsigned char>(body[i]);
        if (i + 2 < body.size() && body[i + 1] == '-') {
            const auto last = static_cast<unsigned char>(body[i + 2]);
            for (unsigned c = first; c <= last; ++c)
                AddBothCases(t.set, static_cast<unsigned char>(c));
            i += 2;
        } else {
            AddBothCases(t.set, first);
        }
    }
    if (negated)
        t.set.flip();
    return t;
}

std::optional<CJetPattern> CJetPattern::Compile(std::string_view pattern)
{
    CJetPattern compiled;
    std::size_t pos = 0;
    while (pos < pattern.size()) {
        const auto c = static_cast<unsigned char>(pattern[pos++]);
        if (c == '*') {
            if (compiled.m_tokens.empty() || compiled.m_tokens.back().kind != Token::AnyRun)
                compiled.m_tokens.push_back({Token::AnyRun, {}});
        } else if (c == '?') {
            compiled.m_tokens.push_back({Token::OneChar, {}});
        } else if (c == '#') {
            Token digit{Token::Set, {}};
            for (unsigned char d = '0'; d <= '9'; ++d)
                digit.set.set(d);
            compiled.m_tokens.push_back(digit);
        } else if (c == '[') {
            // "[]" is an empty group: it matches nothing and takes no character.
            if (pos < pattern.size() && pattern[pos] == ']' && (pos + 1 >= pattern.size() || pattern[pos + 1] != ']')) {
                ++pos;
                continue;
            }
            auto token = ParseBracket(pattern, pos);
            if (!token)
                return std::nullopt;
            compiled.m_tokens.push_back(*token);
        } else {
            compiled.m_tokens.push_back(Literal(c));
        }
    }
    return compiled;
}

// Every token but "*" takes exactly one byte, so the classic matcher that
// goes back to the last "*" is exact and takes at most pattern × value steps.
bool CJetPattern::Matches(std::string_view value) const
{
    std::size_t t = 0, v = 0;
    std::size_t starToken = std::string_view::npos, starValue = 0;
    while (v < value.size()) {
        if (t < m_tokens.size() && m_tokens[t].kind == Token::AnyRun) {
            starToken = t++;
            starValue = v;
            continue;
        }
        if (t < m_tokens.size()
            && (m_tokens[t].kind == Token::OneChar || m_tokens[t].set.test(static_cast<unsigned char>(value[v])))) {
            ++t;
            ++v;
            continue;
        }
        if (starToken == std::string_view::npos)
            return false;
        t = starToken + 1;
        v = ++starValue;
    }
    while (t < m_tokens.size() && m_tokens[t].kind == Token::AnyRun)
        ++t;
    return t == m_tokens.size();
}

}  // namespace brivex
