// A PC-voice call against the simulated modem on the null audio back end:
// the modem sends its 20 ms tone frames, the player hands them to the
// (discarding) playback device, and the recorder's frames go up.
// Reported: the time from a frame's write on the modem side of the voice
// port to its hand-over to the playback device (50th/95th/99th percentile
// and worst; goal: 95th under 25 ms), the frames lost (goal: none), and the
// processor time of the PC side's threads (port reader, downlink thread,
// recorder) as a share of one core (goal: under 3 %), the simulator's apart. BRIVEX_PCVOICE_SECONDS sets the call's length
// (default 60; the full measurement is 600).
#include "CSimModem.h"
#include "audio/CNullAudioBackend.h"
#include "audio/ZelAudioCapture.h"
#include "audio/ZelAudioPlayer.h"
#include "link/CCommPort.h"

#include <benchmark/benchmark.h>

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace brivex;
using Clock = std::chrono::steady_clock;

// The process's threads by id.
std::set<int> Threads()
{
    std::set<int> ids;
    if (DIR* d = ::opendir("/proc/self/task")) {
        while (const dirent* e = ::readdir(d))
            if (e->d_name[0] != '.')
                ids.insert(std::atoi(e->d_name));
        ::closedir(d);
    }
    return ids;
}

// User and system time of one thread, in seconds.
double ThreadCpu(int tid)
{
    std::ifstream in("/proc/self/task/" + std::to_string(tid) + "/stat");
    std::string line;
    std::getline(in, line);
    const auto close = line.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream rest(line.substr(close + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i)
        if (i == 14 || i == 15)
            ticks += std::stod(field);
    return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

double Cpu(const std::set<int>& threads)
{
    double total = 0;
    for (int tid : threads)
        total += ThreadCpu(tid);
    return total;
}

std::set<int> Added(const std::set<int>& before, const std::set<int>& after)
{
    std::set<int> out;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::inserter(out, out.end()));
    return out;
}

int CallSeconds()
{
    const char* text = std::getenv("BRIVEX_PCVOICE_SECONDS");
    const int seconds = text ? std::atoi(text) : 60;
    return std::clamp(seconds, 2, 3600);
}

void BM_PcVoiceCall(benchmark::State& state)
{
    char pattern[] = "/tmp/brivex-bench-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    if (!made) {
        state.SkipWithError("no scratch directory");
        return;
    }
    const std::string dir = made;
    const int seconds = CallSeconds();
    const std::size_t capacity = static_cast<std::size_t>(seconds) * 60 + 1000;  // 50 frames a second and room

    std::vector<Clock::time_point> sent(capacity), handed(capacity);
    std::atomic<std::size_t> handedCount{0};
    std::atomic<std::uint64_t> wrongFrames{0};

    for (auto _ : state) {
        sim::CSimModem::Options options;
        options.base = std::filesystem::path(dir) / "B";
        const std::set<int> idle = Threads();
        sim::CSimModem modem(options);
        std::string error;
        if (!modem.Start(error)) {
            state.SkipWithError(error.c_str());
            break;
        }
        const std::set<int> withSim = Threads();
        const std::set<int> simThreads = Added(idle, withSim);
        ::setenv("BRIVEX_DEVDIR", modem.Tree().DevDir().c_str(), 1);
        modem.Voice().SetSentObserver([&](std::uint64_t frame, Clock::time_point when) {
            if (frame < capacity)
                sent[frame] = when;
        });

        CNullAudioBackend::Options audio;
        audio.observer = [&](const std::uint8_t* data, std::size_t length, bool) {
            const auto now = Clock::now();
            const std::size_t i = handedCount.fetch_add(1);
            if (i < capacity)
                handed[i] = now;
            const auto& tone = sim::CSimVoice::ToneFrame();
            if (length != tone.size() || !std::equal(tone.begin(), tone.end(), data))
                ++wrongFrames;
        };
        CNullAudioBackend backend(audio);

        CCommPort port;
        port.SetPortNumber(sim::CSimModem::kVoiceInterface + 1);
        port.SetEventMask(CCommPort::kEvRxFlag);
        if (!port.OpenPort()) {
            state.SkipWithError("cannot open the voice port");
            break;
        }
        std::atomic<bool> downlinkStarted{false};
        ZelAudioPlayer player(backend, &port, downlinkStarted);
        ZelAudioCapture capture(backend, &port, downlinkStarted);
        player.Open(true);
        capture.StartCapture(0, 320);

        const std::set<int> pcThreads = Added(withSim, Threads());  // port reader, downlink, recorder
        const double pcBefore = Cpu(pcThreads);
        const double simBefore = Cpu(simThreads);
        const auto begin = Clock::now();
        modem.WithState([](auto& s) {
            s.pcVoice = true;
            s.status.callState = 0x86;
        });
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        modem.WithState([](auto& s) { s.pcVoice = false; });
        std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the last frames arrive
        const double pcCpu = Cpu(pcThreads) - pcBefore;
        const double simCpu = Cpu(simThreads) - simBefore;
        const double wall = std::chrono::duration<double>(Clock::now() - begin).count();

        player.Close();
        capture.StopCapture();
        port.ClosePort();
        const auto stats = modem.Voice().GetStats();
        modem.Stop();

        const std::size_t n = std::min<std::size_t>({handedCount.load(), stats.framesSent, capacity});
        std::vector<double> latency;
        latency.reserve(n);
        for (std::size_t i = 0; i < n; ++i)
            latency.push_back(std::chrono::duration<double, std::milli>(handed[i] - sent[i]).count());
        std::sort(latency.begin(), latency.end());
        const auto pct = [&](double p) {
            return latency.empty() ? 0.0 : latency[std::min(latency.size() - 1, static_cast<std::size_t>(p * latency.size()))];
        };
        state.counters["frames_sent"] = static_cast<double>(stats.framesSent);
        state.counters["frames_unsent"] = static_cast<double>(stats.framesUnsent);
        state.counters["frames_played"] = static_cast<double>(handedCount.load());
        state.counters["frames_lost"] = static_cast<double>(stats.framesSent) - static_cast<double>(handedCount.load());
        state.counters["frames_wrong"] = static_cast<double>(wrongFrames.load());
        state.counters["uplink_frames"] = static_cast<double>(stats.uplinkBytes / 320);
        state.counters["lat_p50_ms"] = pct(0.50);
        state.counters["lat_p95_ms"] = pct(0.95);
        state.counters["lat_p99_ms"] = pct(0.99);
        state.counters["lat_max_ms"] = latency.empty() ? 0.0 : latency.back();
        state.counters["cpu_pct_pc_side"] = 100.0 * pcCpu / wall;
        state.counters["cpu_pct_simulator"] = 100.0 * simCpu / wall;
        state.counters["pc_threads"] = static_cast<double>(pcThreads.size());
    }
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

BENCHMARK(BM_PcVoiceCall)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
