#pragma once

#include "modem/CByteReader.h"
#include "modem/CRequestPacket.h"
#include "modem/ParseError.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace brivex {

// The header the vendor commands (0xCF, 0xD0, 0xD1, 0xD2, 0xD5) share: the
// request carries the code and the 16-bit sub-command at 1..2; the response
// repeats both and carries a 16-bit result at 3..4, 0 meaning success, before
// its payload at 5.
class CVendorHeader {
public:
    static constexpr std::size_t kSubCommandOffset = 1;
    static constexpr std::size_t kResultOffset = 3;
    static constexpr std::size_t kPayloadOffset = 5;

    // A zeroed request of that length with the code and sub-command set.
    static CRequestPacket Request(std::uint8_t code, std::uint16_t sub, std::size_t length, std::uint32_t timeoutMs);

    // Nothing when the response carries the code, the sub-command and
    // result 0; otherwise why it is not the request's good answer.
    static std::optional<ParseFailure> Check(const CByteReader& response, std::uint8_t code, std::uint16_t sub);

    // Check, then whether the answer reaches at least to minLength.
    static std::optional<ParseFailure> Check(const CByteReader& response, std::uint8_t code, std::uint16_t sub,
                                             std::size_t minLength);
};

}  // namespace brivex
