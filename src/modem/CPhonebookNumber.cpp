#include "modem/CPhonebookNumber.h"

namespace brivex {

std::string CPhonebookNumber::Clean(std::string_view number, bool cardEntry)
{
    if (cardEntry && number.size() > kCardDigits)
        number = number.substr(0, kCardDigits);
    std::string clean;
    clean.reserve(number.size());
    for (char c : number) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != 'e' && c != '?')
            clean.push_back(c);
    }
    return clean;
}

}  // namespace brivex
