#pragma once

#include <cstdint>

namespace brivex {

// The SMS information answer (QOR_SUB_INFO).
struct SmsInfoRecord {
    std::uint8_t initialised = 0;
    std::uint8_t maxSlots = 0;
};

}  // namespace brivex
