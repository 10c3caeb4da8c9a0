#pragma once

#include <cstdint>

namespace brivex {

// The argument of the phonebook delete: which entry of which storage.
struct PhonebookSlot {
    std::uint8_t storage = 9;  // 1 card, 9 modem memory
    std::uint32_t index = 0;
};

}  // namespace brivex
