#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brivex {

// What a short message to send is made of (the SMS view's send record).
struct SmsSendRecord {
    static constexpr std::size_t kMaxNumber = 36;
    static constexpr std::size_t kMaxText = 229;  // 230 bytes or more are not sent

    std::uint8_t encoding = 2;           // SmsEncoding
    std::string destination;             // at most 36 characters
    std::string callback;                // at most 36 characters
    std::vector<std::uint8_t> text;      // the text's bytes (UTF-16LE for Unicode)
};

}  // namespace brivex
