// The store's writes and reads at the sizes the program meets: a phonebook
// of 250 entries read from the modem in blocks of 10, a call logged, the
// history tab's pass, and a search over the mirror.
#include "store/CDaoPbookDb.h"
#include "store/CDaoVcallDb.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace brivex {
namespace {

namespace fs = std::filesystem;

// The store file the build made beside the programs: build/bin/OVL/OVL.MDB.
fs::path BuiltStoreFile()
{
    const fs::path exe = fs::read_symlink("/proc/self/exe");
    const fs::path file = exe.parent_path().parent_path() / "bin" / "OVL" / "OVL.MDB";
    if (!fs::exists(file))
        throw std::runtime_error("no store file at " + file.string());
    return file;
}

// A scratch directory with a fresh copy of the store file, and the profile
// directory pointed at it.
class Scratch {
public:
    Scratch()
    {
        std::string pattern = (fs::temp_directory_path() / "bench_store.XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("no scratch directory");
        m_dir = pattern;
        setenv("BRIVEX_SYSDIR", m_dir.c_str(), 1);
        Fresh();
    }
    ~Scratch() { fs::remove_all(m_dir); }
    void Fresh() const { fs::copy_file(BuiltStoreFile(), File(), fs::copy_options::overwrite_existing); }
    fs::path File() const { return m_dir / "OVL.MDB"; }

private:
    fs::path m_dir;
};

std::vector<CDaoPbookDb::Entry> Block(int first)
{
    std::vector<CDaoPbookDb::Entry> block;
    for (int i = first; i < first + 10; ++i)
        block.push_back({CDaoPbookDb::kMemory, i, "Name " + std::to_string(i), "0105550" + std::to_string(1000 + i)});
    return block;
}

// The phonebook read: empty the storage, 25 blocks of 10, one transaction each.
void BM_PhonebookRead250(benchmark::State& state)
{
    Scratch scratch;
    CDaoPbookDb pbook;
    pbook.SetDatabasePath(scratch.File());
    for (auto _ : state) {
        pbook.OpenStorage(CDaoPbookDb::kMemory);
        pbook.DeleteAll();
        pbook.Close();
        pbook.Open();
        for (int b = 0; b < 25; ++b)
            pbook.AddEntries(Block(1 + 10 * b));
        pbook.Requery();
        benchmark::DoNotOptimize(pbook.GetRecordCount());
        pbook.Close();
    }
    state.SetItemsProcessed(state.iterations() * 250);
}
BENCHMARK(BM_PhonebookRead250)->Unit(benchmark::kMillisecond);

// A search over the 250 entries through the literal "like" matching.
void BM_PhonebookSearch250(benchmark::State& state)
{
    Scratch scratch;
    CDaoPbookDb pbook;
    pbook.SetDatabasePath(scratch.File());
    pbook.Open();
    for (int b = 0; b < 25; ++b)
        pbook.AddEntries(Block(1 + 10 * b));
    pbook.Close();
    for (auto _ : state) {
        pbook.OpenSearchAll(CDaoPbookDb::kMemory, "e 12");
        benchmark::DoNotOptimize(pbook.GetRecordCount());
        pbook.Close();
    }
}
BENCHMARK(BM_PhonebookSearch250)->Unit(benchmark::kMicrosecond);

// One end-of-call record, written through to the disk.
void BM_HistoryAddCall(benchmark::State& state)
{
    Scratch scratch;
    CDaoVcallDb vcall;
    vcall.SetDatabasePath(scratch.File());
    const CDaoVcallDb::Record call{CDaoVcallDb::kIncoming, 0, "Kim", "0105550001", "(3/02/2024/Saturday-09:05)",
                                   "00:01:30"};
    for (auto _ : state)
        benchmark::DoNotOptimize(vcall.AddCall(call));
}
BENCHMARK(BM_HistoryAddCall)->Unit(benchmark::kMillisecond);

// The history tab's pass over 150 records: 100 listed, 50 deleted.
void BM_HistoryTab150(benchmark::State& state)
{
    Scratch scratch;
    CDaoVcallDb vcall;
    vcall.SetDatabasePath(scratch.File());
    for (auto _ : state) {
        state.PauseTiming();
        scratch.Fresh();
        vcall.Open();
        vcall.BeginTrans();
        for (int i = 1; i <= 150; ++i) {
            vcall.AddNew();
            vcall.m_index = i;
            vcall.Update();
        }
        vcall.CommitTrans();
        vcall.Close();
        state.ResumeTiming();
        benchmark::DoNotOptimize(vcall.ListNewest().rows.size());
    }
}
BENCHMARK(BM_HistoryTab150)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace brivex

BENCHMARK_MAIN();
