#include "modem/CPinPacking.h"

namespace brivex {

std::array<std::uint8_t, CPinPacking::kFieldSize> CPinPacking::Pack(std::string_view code)
{
    std::array<std::uint8_t, kFieldSize> field;
    field.fill(kFiller);
    for (std::size_t i = 0; i < code.size() && i < kFieldSize; ++i) {
        if (code[i] < '0' || code[i] > '9')
            break;
        field[i] = static_cast<std::uint8_t>(code[i]);
    }
    return field;
}

}  // namespace brivex
