#pragma once

#include <cstdint>

namespace brivex {

// The vendor version answer (QOR_SUB_INF_VER).
struct InfoVersionRecord {
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    std::uint16_t featureWord = 0;
};

}  // namespace brivex
