#include "PtyModem.h"

#include "link/CFrameReader.h"

#include <gtest/gtest.h>

namespace brivex::test {
namespace {

struct ReaderCase {
    const char* name;
    Bytes stream;
    std::vector<std::pair<Bytes, bool>> frames;  // payload, good
    std::size_t droppedOversize;
};

Bytes Join(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

std::vector<ReaderCase> ReaderCases()
{
    const Bytes request = {0xCF, 0x01, 0x00};
    const Bytes escaped = {0x7E, 0x7D, 0x01};
    return {
        {"OneFrame", Frame(request), {{request, true}}, 0},
        {"EscapedFrame", Frame(escaped), {{escaped, true}}, 0},
        {"ExtraFlagsGiveNothing", Join({{0x7E, 0x7E}, Frame(request), {0x7E}}), {{request, true}}, 0},
        // Garbage before a flag is a bad frame; reading resumes after it.
        {"ResyncAfterGarbage", Join({{0x11, 0x22, 0x33, 0x7E}, Frame(request)}), {{{0x11}, false}, {request, true}}, 0},
        {"BadCheckThenGood", Join({BadFrame(request), Frame(request)}), {{request, false}, {request, true}}, 0},
        // Two bytes can end at the good residue but hold no packet.
        {"FrameOfNoPacket", Join({{0x00, 0x00, 0x7E}, Frame(request)}), {{{0x00, 0x00}, false}, {request, true}}, 0},
        {"OversizeDroppedWhole", Join({Bytes(40, 0x41), {0x7E}, Frame(request)}), {{request, true}}, 1},
        // Within the raw bound but decoding to more than the payload bound.
        {"OversizeAfterDecoding", Join({Frame(Bytes(17, 0x41)), Frame(request)}), {{request, true}}, 1},
        {"PayloadAtTheBound", Frame(Bytes(16, 0x7E)), {{Bytes(16, 0x7E), true}}, 0},
        {"PartialFrameWaits", Join({Frame(request), {0xCF, 0x01}}), {{request, true}}, 0},
    };
}

class FrameReaderCases : public ::testing::TestWithParam<ReaderCase> {};

// Fed whole, in halves or byte by byte, the reader hands over the same frames.
TEST_P(FrameReaderCases, SameFramesForAnyChunking)
{
    const auto& c = GetParam();
    for (std::size_t chunk : {c.stream.size(), c.stream.size() / 2 + 1, std::size_t{1}}) {
        CFrameReader reader(16);
        std::vector<std::pair<Bytes, bool>> got;
        for (std::size_t i = 0; i < c.stream.size(); i += chunk)
            reader.Feed(c.stream.data() + i, std::min(chunk, c.stream.size() - i),
                        [&](const CFrameReader::Frame& f) { got.emplace_back(f.payload, f.good); });
        EXPECT_EQ(got, c.frames) << "chunk " << chunk;
        EXPECT_EQ(reader.DroppedOversize(), c.droppedOversize) << "chunk " << chunk;
    }
}

INSTANTIATE_TEST_SUITE_P(Link, FrameReaderCases, ::testing::ValuesIn(ReaderCases()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace brivex::test
