#pragma once

#include <cstdint>
#include <string>

namespace brivex {

// An NV item read through the vendor relay; the fields of the item read.
struct NvReadRecord {
    std::uint16_t item = 0;
    std::uint16_t preferredMode = 0;    // item 10
    std::uint8_t hybridPreference = 0;  // item 562
    std::string directoryNumber;        // item 215: the digit-count characters, as sent
};

}  // namespace brivex
