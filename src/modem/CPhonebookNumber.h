#pragma once

#include <string>
#include <string_view>

namespace brivex {

// The clean-up of a number read from the phonebook: card numbers are cut to
// 20 bytes, then the number is lower-cased and every "e" and "?" removed (the
// card's filler and wild-card digits).
class CPhonebookNumber {
public:
    static constexpr std::size_t kCardDigits = 20;

    static std::string Clean(std::string_view number, bool cardEntry);
};

}  // namespace brivex
