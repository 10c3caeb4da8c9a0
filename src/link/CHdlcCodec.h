#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace brivex {

// Pure framing of the diagnostic protocol, apart from any I/O: each 0x7D or
// 0x7E in the packet and in its check sequence is sent as 0x7D followed by the
// byte XOR 0x20, the check sequence goes low byte first, and one 0x7E closes
// the frame. No flag precedes a frame.
class CHdlcCodec {
public:
    static constexpr std::uint8_t kFlag = 0x7E;
    static constexpr std::uint8_t kEscape = 0x7D;
    static constexpr std::uint8_t kEscapeXor = 0x20;

    // The largest frame a packet of this length can become.
    static constexpr std::size_t MaxFrameSize(std::size_t packetLength) { return 2 * (packetLength + 2) + 1; }

    // Writes the frame of the packet into out (capacity at least
    // MaxFrameSize(length)); returns the frame length, 0 when it does not fit.
    static std::size_t Encode(const std::uint8_t* packet, std::size_t length, std::uint8_t* out, std::size_t capacity);
    static std::vector<std::uint8_t> Encode(const std::uint8_t* packet, std::size_t length);

    // Undoes the escapes of one frame's bytes (without its closing flag) into
    // out; decodedLength counts every decoded byte, check bytes included.
    // Returns false, with decodedLength 0, when they would not fit.
    static bool Unescape(const std::uint8_t* frame, std::size_t length, std::uint8_t* out, std::size_t capacity,
                         std::size_t& decodedLength);

    // Decodes the bytes of one frame without its closing flag: undoes the
    // escapes into out, checks the sequence, and sets payloadLength to the
    // decoded length less the two check bytes (when greater than 2). Returns
    // false for a bad check sequence or when the decoded bytes would not fit.
    static bool Decode(const std::uint8_t* frame, std::size_t length, std::uint8_t* out, std::size_t capacity,
                       std::size_t& payloadLength);
};

}  // namespace brivex
