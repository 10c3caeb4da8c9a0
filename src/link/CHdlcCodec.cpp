#include "link/CHdlcCodec.h"

#include "link/CFrameCheck.h"

#include <bit>
#include <cstring>

namespace brivex {

namespace {

constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kHighs = 0x8080808080808080ULL;

// High bit set in each byte of the word that is zero. Only bytes above a true
// zero byte can be flagged wrongly, so the lowest flag is always exact.
inline std::uint64_t ZeroBytes(std::uint64_t w) { return (w - kOnes) & ~w & kHighs; }

// Index of the first flag or escape byte at or after i, or length. Eight
// bytes are tested per step: most packet bytes need no escaping.
std::size_t FindSpecial(const std::uint8_t* in, std::size_t i, std::size_t length)
{
    if constexpr (std::endian::native == std::endian::little) {
        for (; i + 8 <= length; i += 8) {
            std::uint64_t w;
            std::memcpy(&w, in + i, sizeof w);
            const std::uint64_t hits = ZeroBytes(w ^ (kOnes * CHdlcCodec::kFlag)) |
                                       ZeroBytes(w ^ (kOnes * CHdlcCodec::kEscape));
            if (hits)
                return i + static_cast<std::size_t>(std::countr_zero(hits)) / 8;
        }
    }
    for (; i < length; ++i)
        if (in[i] == CHdlcCodec::kFlag || in[i] == CHdlcCodec::kEscape)
            return i;
    return length;
}

// Copies the packet escaping the two special bytes; runs of plain bytes are
// copied in one go.
std::size_t EscapeInto(const std::uint8_t* in, std::size_t length, std::uint8_t* out)
{
    std::size_t o = 0;
    std::size_t i = 0;
    while (i < length) {
        const std::size_t run = FindSpecial(in, i, length);
        std::memcpy(out + o, in + i, run - i);
        o += run - i;
        i = run;
        if (i < length) {
            out[o++] = CHdlcCodec::kEscape;
            out[o++] = static_cast<std::uint8_t>(in[i] ^ CHdlcCodec::kEscapeXor);
            ++i;
        }
    }
    return o;
}

}  // namespace

std::size_t CHdlcCodec::Encode(const std::uint8_t* packet, std::size_t length, std::uint8_t* out, std::size_t capacity)
{
    if (capacity < MaxFrameSize(length))
        return 0;
    std::size_t o = EscapeInto(packet, length, out);
    const std::uint16_t fcs = CFrameCheck::Compute(packet, length);
    const std::uint8_t check[2] = {static_cast<std::uint8_t>(fcs & 0xFF), static_cast<std::uint8_t>(fcs >> 8)};
    o += EscapeInto(check, 2, out + o);
    out[o++] = kFlag;
    return o;
}

std::vector<std::uint8_t> CHdlcCodec::Encode(const std::uint8_t* packet, std::size_t length)
{
    std::vector<std::uint8_t> out(MaxFrameSize(length));
    out.resize(Encode(packet, length, out.data(), out.size()));
    return out;
}

bool CHdlcCodec::Unescape(const std::uint8_t* frame, std::size_t length, std::uint8_t* out, std::size_t capacity,
                          std::size_t& decodedLength)
{
    decodedLength = 0;
    std::size_t o = 0;
    std::size_t i = 0;
    while (i < length) {
        const void* esc = std::memchr(frame + i, kEscape, length - i);
        const std::size_t run = esc ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(esc) - frame) - i
                                    : length - i;
        if (run > capacity - o)
            return false;
        std::memcpy(out + o, frame + i, run);
        o += run;
        i += run;
        if (i < length) {
            // An escape as the very last byte has nothing to act on and is dropped.
            if (i + 1 < length) {
                if (o >= capacity)
                    return false;
                out[o++] = static_cast<std::uint8_t>(frame[i + 1] ^ kEscapeXor);
            }
            i += 2;
        }
    }
    decodedLength = o;
    return true;
}

bool CHdlcCodec::Decode(const std::uint8_t* frame, std::size_t length, std::uint8_t* out, std::size_t capacity,
                        std::size_t& payloadLength)
{
    payloadLength = 0;
    std::size_t decoded = 0;
    if (!Unescape(frame, length, out, capacity, decoded))
        return false;
    payloadLength = decoded > 2 ? decoded - 2 : decoded;
    return CFrameCheck::IsGood(out, decoded);
}

}  // namespace brivex
