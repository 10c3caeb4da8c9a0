#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace brivex {

// The SMS read answer (qor_sms_read_req_type). The lengths are kept as the
// modem sent them (for the log); address, callback and text are cut to
// their lengths and to their fields.
struct SmsMessageRecord {
    static constexpr std::size_t kNumberField = 36;
    static constexpr std::size_t kTextField = 229;

    std::uint32_t teleservice = 0;
    std::uint32_t timeStamp = 0;  // seconds since 1980-01-06 00:00:00
    std::uint8_t encoding = 0;    // SmsEncoding
    std::uint8_t language = 0;
    std::uint8_t voiceMailCount = 0;
    std::uint8_t addressLength = 0;
    std::uint8_t callbackLength = 0;
    std::uint16_t textLength = 0;
    std::string address;
    std::string callback;
    std::vector<std::uint8_t> text;                 // the first textLength bytes, at most 229
    std::array<std::uint8_t, kTextField> textField{};  // the whole text field as it arrived
};

}  // namespace brivex
