#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace brivex {

// One 104-byte record of a phonebook read answer. The number is cut to its
// length and its 33-byte field; the name stays in the card's coding
// (CCardNameAlphabet::Decode).
struct PhonebookRecord {
    static constexpr std::size_t kSize = 104;
    static constexpr std::size_t kNumberField = 33;
    static constexpr std::size_t kNameField = 65;

    std::uint8_t readStatus = 0;  // 0 valid
    std::uint32_t index = 0;
    std::uint8_t numberLength = 0;  // as the modem sent it
    std::string number;
    std::array<std::uint8_t, kNameField> name{};
};

// The phonebook read answer (qor_pb_read_req_type): the requested records.
struct PhonebookReadRecord {
    static constexpr std::size_t kMaxRecords = 10;

    std::vector<PhonebookRecord> records;
};

}  // namespace brivex
