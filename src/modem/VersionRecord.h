#pragma once

#include <cstdint>
#include <string>

namespace brivex {

// The version answer (diag_verno_f).
struct VersionRecord {
    std::string buildDate;        // 11 characters, [1..11]
    std::string softwareVersion;  // 8 characters, [39..46]
    std::uint16_t hardwareVersion = 0;
};

}  // namespace brivex
