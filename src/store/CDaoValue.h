#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace brivex {

// One column value as the engine stores it: null, integer, real, text or bytes.
using CDaoValue = std::variant<std::monostate, std::int64_t, double, std::string, std::vector<std::uint8_t>>;

}  // namespace brivex
