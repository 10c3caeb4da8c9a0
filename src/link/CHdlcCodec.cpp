#include "link/CHdlcCodec.h"

#include "link/CFrameCheck.h"

#include <cstring>

namespace brivex {

namespace {

// Copies the packet escaping the two special bytes; most bytes need no
// escaping, so runs of plain bytes are copied in one go.
std::size_t EscapeInto(const std::uint8_t* in, std::size_t length, std::uint8_t* out)
{
    std::size_t o = 0;
    std::size_t i = 0;
    while (i < length) {
        std::size_t run = i;
        while (run < length && in[run] != CHdlcCodec::kFlag && in[run] != CHdlcCodec::kEscape)
            ++run;
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

bool CHdlcCodec::Decode(const std::uint8_t* frame, std::size_t length, std::uint8_t* out, std::size_t capacity,
                        std::size_t& payloadLength)
{
    payloadLength = 0;
    std::size_t o = 0;
    std::size_t i = 0;
    while (i < length) {
        const void* esc = std::memchr(frame + i, kEscape, length - i);
        const std::size_t run = esc ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(esc) - frame) - i
                                    : length - i;
        if (o + run > capacity)
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
    const bool good = CFrameCheck::IsGood(out, o);
    payloadLength = o > 2 ? o - 2 : o;
    return good;
}

}  // namespace brivex
