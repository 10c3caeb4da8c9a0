// Frame check sequence, BuildFrame and ParseFrame throughput on the longest
// request (322 bytes) and the longest answer (1605 bytes) of the protocol.
#include "link/CCommPort.h"
#include "link/CFrameCheck.h"
#include "link/CHdlcCodec.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

using brivex::CCommPort;
using brivex::CFrameCheck;
using brivex::CHdlcCodec;

// Mostly plain bytes, as in text and number fields, with a flag or escape
// byte now and then.
std::vector<std::uint8_t> Packet(std::size_t length)
{
    std::mt19937 rng(static_cast<unsigned>(length));
    std::vector<std::uint8_t> p(length);
    for (auto& b : p) {
        b = static_cast<std::uint8_t>(rng());
        if (b == CHdlcCodec::kFlag || b == CHdlcCodec::kEscape)
            b = 0x20;
    }
    for (std::size_t i = 17; i < length; i += 97)
        p[i] = (i / 97) % 2 ? CHdlcCodec::kFlag : CHdlcCodec::kEscape;
    p[0] = 0xCF;
    return p;
}

void BM_FrameCheck(benchmark::State& state)
{
    const auto packet = Packet(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(packet.data());
        benchmark::DoNotOptimize(CFrameCheck::Compute(packet.data(), packet.size()));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void BM_FrameCheckBytewise(benchmark::State& state)
{
    const auto packet = Packet(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(packet.data());
        benchmark::DoNotOptimize(CFrameCheck::UpdateBytewise(CFrameCheck::kInit, packet.data(), packet.size()));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void BM_BuildFrame(benchmark::State& state)
{
    const auto packet = Packet(static_cast<std::size_t>(state.range(0)));
    CCommPort port;
    for (auto _ : state) {
        benchmark::DoNotOptimize(port.BuildFrame(packet.data(), packet.size()));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void BM_ParseFrame(benchmark::State& state)
{
    const auto packet = Packet(static_cast<std::size_t>(state.range(0)));
    const auto wire = CHdlcCodec::Encode(packet.data(), packet.size());
    CCommPort port;
    for (auto _ : state) {
        benchmark::DoNotOptimize(port.ParseFrame(wire.data(), wire.size() - 1));
        benchmark::ClobberMemory();
    }
    if (!port.ParseFrame(wire.data(), wire.size() - 1) || port.PayloadLength() != packet.size())
        state.SkipWithError("the frame did not decode");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

BENCHMARK(BM_FrameCheck)->Arg(322)->Arg(1605);
BENCHMARK(BM_FrameCheckBytewise)->Arg(322)->Arg(1605);
BENCHMARK(BM_BuildFrame)->Arg(322)->Arg(1605);
BENCHMARK(BM_ParseFrame)->Arg(322)->Arg(1605);

}  // namespace

BENCHMARK_MAIN();
