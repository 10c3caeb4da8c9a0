#include "modem/CPhonebookOperations.h"

#include "app/CConfig.h"
#include "app/CDebugViews.h"
#include "modem/CCardNameAlphabet.h"
#include "modem/CDiagExchange.h"
#include "modem/CEngine.h"
#include "modem/CWindowSeam.h"
#include "modem/CPhonebookNumber.h"
#include "modem/CPhonebookPackets.h"
#include "modem/CUtf8.h"
#include "modem/DiagCommands.h"
#include "modem/WorkerCommands.h"
#include "store/CDaoException.h"

#include <algorithm>
#include <thread>

namespace brivex {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kMaxPreWaitMs = 10000;

std::size_t StateIndex(bool card) { return card ? 1 : 0; }

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Times the store calls of a read, whatever way they leave.
class CStoreTimer {
public:
    explicit CStoreTimer(std::chrono::nanoseconds& total) : m_total(total), m_start(Clock::now()) {}
    ~CStoreTimer() { m_total += Clock::now() - m_start; }

private:
    std::chrono::nanoseconds& m_total;
    Clock::time_point m_start;
};

}  // namespace

CPhonebookOperations::CPhonebookOperations(CEngine& engine) : m_engine(engine) {}

std::uint16_t CPhonebookOperations::Info(std::uintptr_t storage)
{
    BX_LOG(LEVEL_DM, "Dm Sub DM_PBOOK_INFO:");
    if (storage != PB_STORAGE_CARD && storage != PB_STORAGE_MEMORY)
        return DM_RESULT_MISSING_ARGUMENT;
    SleepMs(kInfoSettleMs);
    return RequestInfo(static_cast<std::uint8_t>(storage));
}

std::uint16_t CPhonebookOperations::RequestInfo(std::uint8_t storage)
{
    const auto request = CPhonebookPackets::BuildInfo(storage);
    if (!request)
        return DM_RESULT_MISSING_ARGUMENT;
    ++m_last.transactions;
    CDiagExchange exchange(m_engine.DiagPort());
    const int code = exchange.Run(*request);
    if (code != CCommPort::kAnswer) {
        BX_LOG(LEVEL_ST, "phonebook info error=%d", code);
        return DM_RESULT_TRANSACTION_FAILED;
    }
    const auto info = CPhonebookPackets::ParseInfoResponse(exchange.Answer());
    if (!info) {
        BX_LOG(LEVEL_ST, "phonebook info error: %s", ParseErrorName(info.Error()));
        return info.Refused() ? DM_RESULT_MODEM_REFUSED : DM_RESULT_TRANSACTION_FAILED;
    }
    CEngineState& state = m_engine.State();
    const std::size_t at = StateIndex(storage == PB_STORAGE_CARD);
    state.pbMaxRecords[at] = info->maxRecords;
    state.pbInUse[at] = info->recordsInUse;
    state.pbMaxNameLength = info->maxNameLength;
    state.pbMaxNumberLength = kNumberLength;
    BX_LOG(LEVEL_DM, "phonebook ruim=%d, memory=%d", state.pbMaxRecords[1].load(), state.pbMaxRecords[0].load());
    return DM_PBOOK_INFO;
}

std::uint32_t CPhonebookOperations::Total(bool card) const
{
    const CEngineState& state = m_engine.State();
    const std::uint32_t inUse = state.pbInUse[StateIndex(card)].load();
    const std::uint32_t capacity = state.pbMaxRecords[StateIndex(card)].load();
    // A storage cannot hold more entries than it has room for.
    return capacity > 0 ? std::min(inUse, capacity) : inUse;
}

std::optional<PhonebookReadRecord> CPhonebookOperations::ReadBlock(bool card, std::uint8_t count)
{
    BX_LOG(LEVEL_DM, "PBook Count Reord Read");
    const auto request = CPhonebookPackets::BuildRead(card ? kPbStorageWordCard : kPbStorageWordMemory, count);
    if (!request)
        return std::nullopt;
    ++m_last.transactions;
    CDiagExchange exchange(m_engine.DiagPort());
    const int code = exchange.Run(*request);
    if (code != CCommPort::kAnswer) {
        BX_LOG(LEVEL_ST, "phonebook read error ");
        return std::nullopt;
    }
    auto block = CPhonebookPackets::ParseReadResponse(exchange.Answer(), count);
    if (!block) {
        BX_LOG(LEVEL_ST, "phonebook read error ");
        return std::nullopt;
    }
    return std::move(block).Value();
}

std::vector<CDaoPbookDb::Entry> CPhonebookOperations::Entries(const PhonebookReadRecord& block, bool card) const
{
    std::vector<CDaoPbookDb::Entry> entries;
    entries.reserve(block.records.size());
    for (const PhonebookRecord& record : block.records) {
        if (record.readStatus != 0) {
            BX_LOG(LEVEL_DM, "read_status = %d", record.readStatus);
            continue;
        }
        BX_LOG(LEVEL_DM, "PBook Index Read=%d", static_cast<int>(record.index));
        CDaoPbookDb::Entry entry;
        entry.storageType = card ? CDaoPbookDb::kRuim : CDaoPbookDb::kMemory;
        entry.index = static_cast<std::int32_t>(record.index);
        entry.phoneNumber = CPhonebookNumber::Clean(record.number, card);
        entry.name = CUtf8::FromUtf16(CCardNameAlphabet::Decode(record.name));
        entries.push_back(std::move(entry));
    }
    return entries;
}

bool CPhonebookOperations::EmptyStorage(CDaoPbookDb& store, std::int32_t storageType)
{
    CStoreTimer timer(m_last.storeTime);
    try {
        store.Close();
        store.OpenStorage(storageType);
        store.DeleteAll();
        store.Close();
        store.Open();
        return true;
    } catch (const CDaoException& e) {
        BX_LOG(LEVEL_ST, "%s", e.Description().c_str());
        store.Close();
        return false;
    }
}

bool CPhonebookOperations::AddBlock(CDaoPbookDb& store, const std::vector<CDaoPbookDb::Entry>& entries)
{
    CStoreTimer timer(m_last.storeTime);
    try {
        store.AddEntries(entries);
        return true;
    } catch (const CDaoException& e) {
        BX_LOG(LEVEL_ST, "%s", e.Description().c_str());
        store.Close();
        return false;
    }
}

// Reads the storage in blocks of ten (the last one holds the rest) into the
// emptied store, one store transaction per block. The modem hands out the
// next records of a pass with every read request, so a lost answer loses
// its records: after a failed request the pass starts again with a fresh
// information request, which also starts the modem's pass anew. Three
// failed requests in a row end the read.
std::uint16_t CPhonebookOperations::Read(std::uintptr_t storageWord)
{
    BX_LOG(LEVEL_DM, "Dm Sub DM_PBOOK_READ:");
    m_last = {};
    CDaoPbookDb* store = m_engine.PhonebookStore();
    if (store == nullptr) {
        BX_LOG(LEVEL_ST, "phonebook store not open");
        return DM_RESULT_MISSING_ARGUMENT;
    }
    const bool card = storageWord == kPbStorageWordCard;
    const std::int32_t storageType = card ? CDaoPbookDb::kRuim : CDaoPbookDb::kMemory;
    // A database error ends the read; the modem side did its part.
    if (!EmptyStorage(*store, storageType))
        return DM_PBOOK_READ;

    std::uint32_t total = Total(card);
    std::uint32_t done = 0;
    int failures = 0;
    bool restart = false;
    while (done < total) {
        if (restart) {
            if (RequestInfo(card ? PB_STORAGE_CARD : PB_STORAGE_MEMORY) != DM_PBOOK_INFO) {
                if (++failures >= kMaxFailures)
                    break;
                continue;
            }
            if (!EmptyStorage(*store, storageType))
                return DM_PBOOK_READ;
            total = Total(card);
            done = 0;
            restart = false;
            continue;
        }
        const auto count = static_cast<std::uint8_t>(std::min<std::uint32_t>(kBlock, total - done));
        const auto block = ReadBlock(card, count);
        if (!block) {
            if (++failures >= kMaxFailures)
                break;
            restart = true;
            continue;
        }
        failures = 0;
        SleepMs(std::clamp(CConfig::Int(keys::SysinfSleep), 0, kMaxPreWaitMs));
        const auto entries = Entries(*block, card);
        // A block without a record in use: the modem has no more to give.
        if (entries.empty())
            break;
        if (!AddBlock(*store, entries))
            return DM_PBOOK_READ;
        ++m_last.blocks;
        m_last.entries += static_cast<int>(entries.size());
        done += count;
    }
    store->Close();
    return failures >= kMaxFailures ? std::uint16_t{DM_RESULT_TRANSACTION_FAILED} : std::uint16_t{DM_PBOOK_READ};
}

std::uint16_t CPhonebookOperations::Write(const PhonebookEntry* entry)
{
    BX_LOG(LEVEL_DM, "Dm Sub DM_PBOOK_WRITE:");
    if (entry == nullptr)
        return DM_RESULT_MISSING_ARGUMENT;
    const auto request = CPhonebookPackets::BuildWrite(*entry);
    if (!request) {
        BX_LOG(LEVEL_ST, "phonebook write error ");
        return DM_RESULT_MISSING_ARGUMENT;
    }
    CDiagExchange exchange(m_engine.DiagPort());
    if (exchange.Run(*request) != CCommPort::kAnswer) {
        BX_LOG(LEVEL_ST, "phonebook write error ");
        return DM_RESULT_TRANSACTION_FAILED;
    }
    const auto answer = CPhonebookPackets::ParseWriteResponse(exchange.Answer());
    if (!answer) {
        BX_LOG(LEVEL_ST, "phonebook write error ");
        return answer.Refused() ? DM_RESULT_MODEM_REFUSED : DM_RESULT_TRANSACTION_FAILED;
    }
    return DM_PBOOK_WRITE;
}

std::uint16_t CPhonebookOperations::Delete(const PhonebookSlot* slot)
{
    BX_LOG(LEVEL_DM, "Dm Sub DM_PBOOK_DEL:");
    if (slot == nullptr)
        return DM_RESULT_MISSING_ARGUMENT;
    CDiagExchange exchange(m_engine.DiagPort());
    if (exchange.Run(CPhonebookPackets::BuildDelete(slot->storage, slot->index)) != CCommPort::kAnswer) {
        BX_LOG(LEVEL_ST, "phonebook delete error ");
        return DM_RESULT_TRANSACTION_FAILED;
    }
    const auto answer = CPhonebookPackets::ParseDeleteResponse(exchange.Answer());
    if (!answer) {
        BX_LOG(LEVEL_ST, "phonebook delete error ");
        return answer.Refused() ? DM_RESULT_MODEM_REFUSED : DM_RESULT_TRANSACTION_FAILED;
    }
    return DM_PBOOK_DEL;
}

}  // namespace brivex
