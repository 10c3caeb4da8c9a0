#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace brivex {

// The clean-up of a message text on reading, by its encoding: IA5 (3) turns
// every 0x24 into the two bytes 0x6B 0x7A and every 0x7E into 0x20; Unicode
// (4) is copied and stored as encoding 2; every other encoding is copied.
// The result never grows past the 229-byte text field: a replacement that
// would not fit whole ends the text.
class CSmsText {
public:
    static constexpr std::size_t kMaxText = 229;

    struct Cleaned {
        std::uint8_t encoding = 0;  // the encoding to store
        std::vector<std::uint8_t> text;
    };

    static Cleaned CleanOnRead(std::uint8_t encoding, std::span<const std::uint8_t> text);
};

}  // namespace brivex
