// The engine's idle cost, measured headless against the simulated modem in
// this process: the period of the status-poll passes against its budget
// (200 ms wait + three transactions + two 50 ms pauses), the processor time
// of a minute of idle polling, and the resident set over many passes.
//
//   bench_engine [passes]     (default 1000; about half a second each)
//
// The processor figure is the whole process, simulator included, so it is
// an upper bound for the engine alone.
#include "CSilentWindow.h"
#include "CSimModem.h"
#include "app/CConfig.h"
#include "link/CCommPort.h"
#include "modem/CEngine.h"
#include "modem/CGeneralPackets.h"
#include "modem/CWindowSeam.h"
#include "modem/WorkerCommands.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using namespace brivex;
using Clock = std::chrono::steady_clock;

// A window that shows nothing: it notes when the battery indicator is set
// (once per poll pass) and answers the phonebook event as a window without a
// phonebook store would.
class CHeadlessWindow : public CSilentWindow {
public:
    void Attach(CEngineState& state) { m_state = &state; }

    std::vector<Clock::time_point> Passes()
    {
        std::lock_guard lock(m_mutex);
        return m_passes;
    }
    std::size_t PassCount()
    {
        std::lock_guard lock(m_mutex);
        return m_passes.size();
    }
    void WaitPasses(std::size_t n)
    {
        std::unique_lock lock(m_mutex);
        m_cv.wait(lock, [&] { return m_passes.size() >= n; });
    }

    void SetIndicator(int id, std::uint8_t) override
    {
        if (id != 1040)
            return;
        {
            std::lock_guard lock(m_mutex);
            m_passes.push_back(Clock::now());
        }
        m_cv.notify_all();
    }
    std::intptr_t Send(Target, unsigned message, std::uintptr_t wParam, std::intptr_t) override
    {
        if (message == WM_MODEM_EVENT && wParam == 10) {
            m_state->phonebookLoaded = true;
            m_state->messageFlags.fetch_or(0x08);
        }
        return 0;
    }
    void MessageBox(const std::string& text, Icon) override { std::fprintf(stderr, "box: %s\n", text.c_str()); }

private:
    CEngineState* m_state = nullptr;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::vector<Clock::time_point> m_passes;
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double ResidentMiB()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// The median time of one status transaction (slps + answer + 50 ms settle).
double MedianTransactMs()
{
    CCommPort port;
    port.SetPortNumber(sim::CSimModem::kDiagInterface + 1);
    port.SetEventMask(CCommPort::kEvRxFlag);
    if (!port.OpenPort())
        return -1;
    std::vector<double> times;
    const CRequestPacket request = CGeneralPackets::BuildStatusRequest();
    std::uint8_t response[CCommPort::kMinResponse];
    for (int i = 0; i < 21; ++i) {
        const auto start = Clock::now();
        port.Transact(request.data(), response, request.size(), request.TimeoutMs());
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    port.ClosePort();
    return Median(times);
}

}  // namespace

int main(int argc, char** argv)
{
    const std::size_t passes = argc > 1 ? static_cast<std::size_t>(std::atoi(argv[1])) : 1000;
    const auto base = std::filesystem::temp_directory_path() / ("bench-engine-" + std::to_string(getpid()));
    sim::CSimModem::Options options;
    options.base = base;
    sim::CSimModem modem(options);
    std::string error;
    if (!modem.Start(error)) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return 1;
    }
    setenv("BRIVEX_SYSFS", modem.Tree().SysfsRoot().c_str(), 1);
    setenv("BRIVEX_DEVDIR", modem.Tree().DevDir().c_str(), 1);
    setenv("BRIVEX_SYSDIR", modem.Tree().SysDir().c_str(), 1);
    setenv("BRIVEX_RUNDIR", modem.Tree().RunDir().c_str(), 1);
    modem.Command("phonebook capacity memory 0");

    const double transactMs = MedianTransactMs();
    const int slps = CConfig::Int(keys::SysinfSleep);
    const double budgetMs = 200 + 3 * transactMs + 100;

    CHeadlessWindow realWindow;
    auto engine = std::make_unique<CEngine>(realWindow);
    CEngine& eng = *engine;
    realWindow.Attach(eng.State());
    eng.State().currentCommand = DM_HALTED;
    eng.Control().UserDmRestart();

    // Settle: the start-up sequence and a few polls.
    realWindow.WaitPasses(5);
    const std::size_t first = realWindow.PassCount();
    const double cpu0 = CpuSeconds();
    const auto wall0 = Clock::now();
    realWindow.WaitPasses(first + 100);
    const auto times = realWindow.Passes();
    std::vector<double> periods;
    for (std::size_t i = first + 1; i < first + 100 && i < times.size(); ++i)
        periods.push_back(std::chrono::duration<double, std::milli>(times[i] - times[i - 1]).count());
    const double period = Median(periods);
    std::printf("slps %d ms, status transaction (slps + answer + settle) median %.1f ms\n", slps, transactMs);
    std::printf("poll period median of %zu passes: %.1f ms; budget 200 + 3 x %.1f + 100 = %.1f ms; off by %+.2f%%\n",
                periods.size(), period, transactMs, budgetMs, 100.0 * (period - budgetMs) / budgetMs);

    while (std::chrono::duration<double>(Clock::now() - wall0).count() < 60.0)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const double cpu = CpuSeconds() - cpu0;
    const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
    std::printf("processor over %.1f s of idle polling: %.3f s = %.3f%% of one core (whole process, sim included)\n",
                wall, cpu, 100.0 * cpu / wall);

    const double rssStart = ResidentMiB();
    const std::size_t startPass = realWindow.PassCount();
    double rssPeak = rssStart;
    for (std::size_t n = startPass; n < startPass + passes; n += 50) {
        realWindow.WaitPasses(n);
        rssPeak = std::max(rssPeak, ResidentMiB());
    }
    realWindow.WaitPasses(startPass + passes);
    std::printf("resident set: %.2f MiB after start-up, %.2f MiB after %zu more passes (peak %.2f MiB)\n", rssStart,
                ResidentMiB(), passes, rssPeak);

    eng.Control().Stop();
    engine.reset();
    modem.Stop();
    std::error_code ec;
    std::filesystem::remove_all(base, ec);
    return 0;
}
