#pragma once

#include <cstdint>

namespace brivex {

// Level bits of the debug log; a record is written when its bit is in the mask.
enum LogLevel : std::uint32_t {
    LEVEL_ST = 1,
    LEVEL_ERR = 2,
    LEVEL_RAS = 4,
    LEVEL_SIM = 8,
    LEVEL_NOTI = 16,
    LEVEL_SMS = 32,
    LEVEL_DM = 64,
    LEVEL_PB = 128,
    LEVEL_STU = 256,
    LEVEL_DB = 512,
    LEVEL_COM = 1024,
};

}  // namespace brivex
