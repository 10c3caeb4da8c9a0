// The phonebook read as the window runs it after the worker's information
// read: a memory phonebook of 250 entries from the simulated modem into the
// phonebook store. Goals: 25 read transactions, and under 50 ms in all for
// the store's writes (emptying the storage and one transaction per block).
#include "CSilentWindow.h"
#include "CSimModem.h"
#include "modem/CEngine.h"
#include "modem/CWindowSeam.h"
#include "modem/DiagCommands.h"
#include "modem/WorkerCommands.h"
#include "store/CDaoPbookDb.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>

namespace brivex {
namespace {

namespace fs = std::filesystem;
using sim::CSimModem;

// A window that shows nothing: the read only posts and logs.
class CQuietWindow : public CSilentWindow {};

// The store file the build made beside the programs: build/bin/OVL/OVL.MDB.
fs::path BuiltStoreFile()
{
    const fs::path exe = fs::read_symlink("/proc/self/exe");
    return exe.parent_path().parent_path() / "bin" / "OVL" / "OVL.MDB";
}

// The simulator with 250 memory entries, a working copy of the store and
// an engine whose diagnostic port is open (its worker is not started).
class CPhonebookWorld {
public:
    CPhonebookWorld()
    {
        std::string pattern = (fs::temp_directory_path() / "bench_pbook.XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            m_error = "no scratch directory";
            return;
        }
        m_dir = pattern;
        std::error_code ec;
        fs::copy_file(BuiltStoreFile(), m_dir / "@OVL.MDB", ec);
        if (ec) {
            m_error = "no store file at " + BuiltStoreFile().string();
            return;
        }
        CSimModem::Options options;
        options.base = m_dir / "B";
        m_modem = std::make_unique<CSimModem>(options);
        if (!m_modem->Start(m_error))
            return;
        ::setenv("BRIVEX_DEVDIR", m_modem->Tree().DevDir().c_str(), 1);
        ::setenv("BRIVEX_SYSDIR", m_modem->Tree().SysDir().c_str(), 1);
        m_modem->Command("phonebook fill memory 250");

        m_store.SetDatabasePath(m_dir / "@OVL.MDB");
        m_engine = std::make_unique<CEngine>(m_window);
        m_engine->SetPhonebookStore(&m_store);
        CCommPort& port = m_engine->DiagPort();
        port.SetPortNumber(CSimModem::kDiagInterface + 1);
        port.SetEventMask(CCommPort::kEvRxFlag);
        if (!port.OpenPort())
            m_error = "cannot open " + port.DevicePath();
    }
    ~CPhonebookWorld()
    {
        if (m_engine)
            m_engine->DiagPort().ClosePort();
        m_engine.reset();
        if (m_modem)
            m_modem->Stop();
        std::error_code ec;
        if (!m_dir.empty())
            fs::remove_all(m_dir, ec);
    }
    const std::string& Error() const { return m_error; }
    CEngine& Engine() { return *m_engine; }

private:
    fs::path m_dir;
    std::string m_error;
    std::unique_ptr<CSimModem> m_modem;
    CQuietWindow m_window;
    CDaoPbookDb m_store;
    std::unique_ptr<CEngine> m_engine;
};

void BM_PhonebookRead250(benchmark::State& state)
{
    CPhonebookWorld world;
    if (!world.Error().empty()) {
        state.SkipWithError(world.Error().c_str());
        return;
    }
    CModemOps& ops = world.Engine().Ops();
    double storeMsMax = 0;
    double storeMsSum = 0;
    int readTransactions = 0;
    int entries = 0;
    int runs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const bool sized = ops.DmSub(DM_PBOOK_INFO, PB_STORAGE_MEMORY, true) == DM_PBOOK_INFO;
        state.ResumeTiming();
        const std::uint16_t result = ops.DmSub(DM_PBOOK_READ, kPbStorageWordMemory, true);
        if (!sized || result != DM_PBOOK_READ) {
            state.SkipWithError("the phonebook read failed");
            return;
        }
        const auto figures = ops.LastPhonebookRead();
        const double storeMs = std::chrono::duration<double, std::milli>(figures.storeTime).count();
        storeMsMax = std::max(storeMsMax, storeMs);
        storeMsSum += storeMs;
        readTransactions = figures.transactions;
        entries = figures.entries;
        ++runs;
    }
    state.counters["read_transactions"] = readTransactions;
    state.counters["entries"] = entries;
    state.counters["store_ms_mean"] = runs > 0 ? storeMsSum / runs : 0;
    state.counters["store_ms_max"] = storeMsMax;
}
BENCHMARK(BM_PhonebookRead250)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
}  // namespace brivex

BENCHMARK_MAIN();
