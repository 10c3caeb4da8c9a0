#pragma once

#include <cstdint>
#include <string>

namespace brivex {

// The network banner answer (sub-command 17).
struct BannerRecord {
    static constexpr std::size_t kMaxText = 64;

    std::uint8_t textLength = 0;  // as the modem sent it; 0 is a banner of the wrong type
    std::string text;             // at most 64 bytes
};

}  // namespace brivex
