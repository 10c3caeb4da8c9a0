// One Transact round trip against the simulated modem over a pseudo-terminal,
// reported as the time beyond the transaction's fixed sleeps (the pre-wait of
// [sysinf] slps and the 50 ms settle). Goal: a median under 2 ms.
#include "CSimModem.h"
#include "app/CConfig.h"
#include "app/ProfileKeys.h"
#include "link/CCommPort.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

using brivex::CCommPort;
using brivex::sim::CSimModem;

// A simulator in a scratch directory, with the environment pointing at it.
class SimulatedLink {
public:
    SimulatedLink()
    {
        char pattern[] = "/tmp/brivex-bench-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        m_dir = made ? made : "";
        CSimModem::Options options;
        options.base = std::filesystem::path(m_dir) / "B";
        m_modem = std::make_unique<CSimModem>(options);
        std::string error;
        m_ok = !m_dir.empty() && m_modem->Start(error);
        if (!m_ok) {
            m_error = error.empty() ? "no scratch directory" : error;
            return;
        }
        ::setenv("BRIVEX_DEVDIR", m_modem->Tree().DevDir().c_str(), 1);
        ::setenv("BRIVEX_SYSDIR", m_modem->Tree().SysDir().c_str(), 1);
        m_port.SetPortNumber(CSimModem::kDiagInterface + 1);
        m_port.SetEventMask(CCommPort::kEvRxFlag);
        m_ok = m_port.OpenPort();
        if (!m_ok)
            m_error = "cannot open " + m_port.DevicePath();
    }
    ~SimulatedLink()
    {
        m_port.ClosePort();
        m_modem->Stop();
        std::error_code ec;
        if (!m_dir.empty())
            std::filesystem::remove_all(m_dir, ec);
    }
    bool Ok() const { return m_ok; }
    const std::string& Error() const { return m_error; }
    CCommPort& Port() { return m_port; }

private:
    std::string m_dir;
    std::unique_ptr<CSimModem> m_modem;
    CCommPort m_port;
    bool m_ok = false;
    std::string m_error;
};

void BM_TransactOverhead(benchmark::State& state)
{
    SimulatedLink link;
    if (!link.Ok()) {
        state.SkipWithError(link.Error().c_str());
        return;
    }
    const std::uint8_t request[] = {0xCF, 0x01, 0x00};  // the status record, as the poll reads it
    static std::uint8_t response[1605];
    std::vector<double> overheadsMs;
    int failures = 0;
    for (auto _ : state) {
        // The fixed sleeps of this transaction: the pre-wait is read on every transaction.
        const double fixedMs = std::clamp(brivex::CConfig::Int(brivex::keys::SysinfSleep), 0, CCommPort::kMaxPreWaitMs) +
                               CCommPort::kSettleMs;
        const auto start = std::chrono::steady_clock::now();
        const int result = link.Port().Transact(request, response, sizeof request, 3000);
        const double elapsedMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        if (result != CCommPort::kAnswer)
            ++failures;
        const double overheadMs = std::max(0.0, elapsedMs - fixedMs);
        overheadsMs.push_back(overheadMs);
        state.SetIterationTime(overheadMs / 1000.0);
    }
    if (failures > 0)
        state.SkipWithError("a transaction failed");
    if (overheadsMs.empty())
        return;
    std::sort(overheadsMs.begin(), overheadsMs.end());
    state.counters["median_overhead_ms"] = overheadsMs[overheadsMs.size() / 2];
    state.counters["max_overhead_ms"] = overheadsMs.back();
}
BENCHMARK(BM_TransactOverhead)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(100);

}  // namespace

BENCHMARK_MAIN();
