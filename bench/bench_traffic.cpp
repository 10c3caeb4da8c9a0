// The month sums of the traffic page over a "PktFF.dat" of 1,000,000 session
// records (24 MB): one pass for the received bytes, one for the sent bytes.
#include "dialup/CTrafficFiles.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::string MakeFile(std::size_t records)
{
    char dir[] = "/tmp/brivex-bench-traffic-XXXXXX";
    if (!mkdtemp(dir))
        std::abort();
    const std::string path = std::string(dir) + "/PktFF.dat";
    std::ofstream out(path, std::ios::binary);
    std::vector<std::uint8_t> block;
    block.reserve(records * brivex::SessionRecord::kSize);
    for (std::size_t i = 0; i < records; ++i) {
        brivex::SessionRecord r;
        r.time = 1700000000 + static_cast<std::int64_t>(i) * 60;
        r.durationMs = 1000;
        r.bytesSent = static_cast<std::uint32_t>(i);
        r.bytesReceived = static_cast<std::uint32_t>(i * 3);
        const auto bytes = r.Encode();
        block.insert(block.end(), bytes.begin(), bytes.end());
    }
    out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size()));
    return path;
}

void BM_MonthSums(benchmark::State& state)
{
    const std::string path = MakeFile(1000000);
    const std::int64_t start = 1700000000 + 500000 * 60;
    for (auto _ : state) {
        const auto down = brivex::CTrafficFiles::SumSince(path, start, brivex::CTrafficFiles::Field::Received);
        const auto up = brivex::CTrafficFiles::SumSince(path, start, brivex::CTrafficFiles::Field::Sent);
        benchmark::DoNotOptimize(down + up);
    }
    std::filesystem::remove_all(std::filesystem::path(path).parent_path());
}
BENCHMARK(BM_MonthSums)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
