#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brivex {

// A phonebook entry to write (qor_pb_write_req_type). The name is already in
// the card's coding (CCardNameAlphabet::Encode); its size is the name length
// byte.
struct PhonebookEntry {
    static constexpr std::size_t kMaxNumber = 32;
    static constexpr std::size_t kMaxName = 65;

    std::uint8_t storage = 9;  // 1 card, 9 modem memory
    std::uint32_t index = 0;
    std::string number;        // at most 32 characters
    std::vector<std::uint8_t> name;  // at most 65 bytes
};

}  // namespace brivex
