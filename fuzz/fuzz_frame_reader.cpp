// Fuzzes what the link does with bytes from the modem: ParseFrame, the
// cutting of one read into pieces with the transaction's answer rule, and the
// stream reader. Each fast path is checked against a plain byte-at-a-time
// model of the same rules.
//
// Input: byte 0 picks the request length (1..8) and the reader's chunk size;
// the request bytes follow; the rest is what the port read.
#include "link/CAnswerMatcher.h"
#include "link/CCommPort.h"
#include "link/CFrameCheck.h"
#include "link/CFrameReader.h"
#include "link/CHdlcCodec.h"

#include <cstdlib>
#include <cstring>
#include <vector>

using namespace brivex;

namespace {

using Bytes = std::vector<std::uint8_t>;

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

Bytes PlainUnescape(const std::uint8_t* p, std::size_t n)
{
    Bytes out;
    for (std::size_t i = 0; i < n; ++i) {
        if (p[i] == CHdlcCodec::kEscape) {
            if (i + 1 < n)
                out.push_back(static_cast<std::uint8_t>(p[i + 1] ^ CHdlcCodec::kEscapeXor));
            ++i;
        } else {
            out.push_back(p[i]);
        }
    }
    return out;
}

Bytes PlainEscape(const Bytes& packet)
{
    Bytes out;
    std::uint16_t fcs = static_cast<std::uint16_t>(~CFrameCheck::UpdateBytewise(CFrameCheck::kInit, packet.data(), packet.size()));
    Bytes all = packet;
    all.push_back(static_cast<std::uint8_t>(fcs & 0xFF));
    all.push_back(static_cast<std::uint8_t>(fcs >> 8));
    for (std::uint8_t b : all) {
        if (b == CHdlcCodec::kFlag || b == CHdlcCodec::kEscape) {
            out.push_back(CHdlcCodec::kEscape);
            out.push_back(static_cast<std::uint8_t>(b ^ CHdlcCodec::kEscapeXor));
        } else {
            out.push_back(b);
        }
    }
    out.push_back(CHdlcCodec::kFlag);
    return out;
}

// The answer rule, one piece at a time.
bool PlainFind(const Bytes& received, const Bytes& request, Bytes& answer)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i < received.size(); ++i) {
        if (received[i] != CHdlcCodec::kFlag)
            continue;
        const Bytes decoded = PlainUnescape(received.data() + start, i - start);
        start = i + 1;
        if (decoded.size() < 3 || decoded.size() > CCommPort::kBufferSize)
            continue;
        if (CFrameCheck::UpdateBytewise(CFrameCheck::kInit, decoded.data(), decoded.size()) != CFrameCheck::kGood)
            continue;
        if (decoded[0] != request[0])
            continue;
        bool sub = true;
        if (CAnswerMatcher::RepeatsSubCommand(request[0]))
            for (std::size_t k = 1; k <= 2 && k < request.size(); ++k)
                sub = sub && k < decoded.size() - 2 && decoded[k] == request[k];
        if (!sub)
            continue;
        answer.assign(decoded.begin(), decoded.end() - 2);
        return true;
    }
    return false;
}

std::vector<std::pair<Bytes, bool>> ReadAll(const Bytes& stream, std::size_t chunk, std::size_t& dropped)
{
    CFrameReader reader(512);
    std::vector<std::pair<Bytes, bool>> frames;
    for (std::size_t i = 0; i < stream.size(); i += chunk)
        reader.Feed(stream.data() + i, std::min(chunk, stream.size() - i), [&](const CFrameReader::Frame& f) {
            Check(f.payload.size() <= 512);
            frames.emplace_back(f.payload, f.good);
        });
    dropped = reader.DroppedOversize();
    return frames;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const std::size_t requestLength = 1 + (data[0] & 7);
    const std::size_t chunk = 1 + (data[0] >> 3);
    if (size < 1 + requestLength)
        return 0;
    const Bytes request(data + 1, data + 1 + requestLength);
    const Bytes received(data + 1 + requestLength, data + size);

    // The check sequence: eight bytes per step equals one byte per step.
    Check(CFrameCheck::Update(0x1234, received.data(), received.size()) ==
          CFrameCheck::UpdateBytewise(0x1234, received.data(), received.size()));

    // The answer among the pieces, against the plain model. The scratch is
    // exactly the payload buffer's size, on the heap, so any overrun shows.
    std::vector<std::uint8_t> scratch(CCommPort::kBufferSize);
    const auto found =
        CAnswerMatcher::Find(received.data(), received.size(), request.data(), request.size(), scratch.data(), scratch.size());
    Bytes model;
    const bool modelFound = PlainFind(received, request, model);
    Check(found.found == modelFound);
    if (found.found) {
        Check(Bytes(scratch.begin(), scratch.begin() + static_cast<std::ptrdiff_t>(found.payloadLength)) == model);
        // What Transact copies: never more than the caller's capacity.
        const std::size_t capacity = 1 + data[size - 1] % 64;
        std::vector<std::uint8_t> response(capacity);
        std::memcpy(response.data(), scratch.data(), std::min(capacity, found.payloadLength));
    }

    // ParseFrame on the whole read, as if it were one frame.
    CCommPort port;
    const bool good = port.ParseFrame(received.data(), received.size());
    Check(port.PayloadLength() <= CCommPort::kBufferSize);
    const Bytes decoded = PlainUnescape(received.data(), received.size());
    if (decoded.size() <= CCommPort::kBufferSize) {
        Check(good == (CFrameCheck::UpdateBytewise(CFrameCheck::kInit, decoded.data(), decoded.size()) == CFrameCheck::kGood));
        Check(Bytes(port.PayloadBuffer(), port.PayloadBuffer() + port.PayloadLength()) ==
              Bytes(decoded.begin(), decoded.begin() + static_cast<std::ptrdiff_t>(decoded.size() > 2 ? decoded.size() - 2 : decoded.size())));
    } else {
        Check(!good);
    }

    // Framing the read as a packet gives the plain escaping and decodes back.
    if (received.size() <= 2045) {
        const std::size_t length = port.BuildFrame(received.data(), received.size());
        const Bytes wire(port.FrameBuffer(), port.FrameBuffer() + length);
        Check(wire == PlainEscape(received));
        Check(port.ParseFrame(wire.data(), wire.size() - 1));
        Check(Bytes(port.PayloadBuffer(), port.PayloadBuffer() + port.PayloadLength()) == received ||
              received.empty());
    }

    // The stream reader gives the same frames however the bytes are chunked.
    std::size_t droppedWhole = 0, droppedChunked = 0;
    const auto whole = ReadAll(received, received.size() + 1, droppedWhole);
    const auto chunked = ReadAll(received, chunk, droppedChunked);
    Check(whole == chunked && droppedWhole == droppedChunked);
    return 0;
}
