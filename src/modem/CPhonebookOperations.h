#pragma once

#include "modem/PhonebookEntry.h"
#include "modem/PhonebookRecord.h"
#include "modem/PhonebookSlot.h"
#include "store/CDaoPbookDb.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

namespace brivex {

class CEngine;

// The phonebook operations: the sizes of a storage, the read of a whole
// storage into the phonebook store, and the write and delete of one entry.
// The read uses the store, so it runs on the thread that owns the store
// (the window's, with the worker waiting for it).
class CPhonebookOperations {
public:
    static constexpr std::uint8_t kBlock = 10;   // records per read request
    static constexpr int kMaxFailures = 3;       // consecutive failed requests end the read
    static constexpr int kInfoSettleMs = 10;
    static constexpr std::uint16_t kNumberLength = 32;

    // What the last read did, for the figures of the phonebook benchmark.
    struct ReadFigures {
        int transactions = 0;    // requests sent (information and read)
        int blocks = 0;          // read blocks stored
        int entries = 0;         // entries added to the store
        std::chrono::nanoseconds storeTime{};  // spent in the store's writes
    };

    explicit CPhonebookOperations(CEngine& engine);

    std::uint16_t Info(std::uintptr_t storage);          // DM_PBOOK_INFO (148): 1 card, 9 memory
    std::uint16_t Read(std::uintptr_t storageWord);      // DM_PBOOK_READ (144): 0xFF01 card, else memory
    std::uint16_t Write(const PhonebookEntry* entry);    // DM_PBOOK_WRITE (145)
    std::uint16_t Delete(const PhonebookSlot* slot);     // DM_PBOOK_DEL (146)

    // Valid after a read has returned (the read's thread writes it).
    ReadFigures LastRead() const { return m_last; }

private:
    std::uint16_t RequestInfo(std::uint8_t storage);
    std::optional<PhonebookReadRecord> ReadBlock(bool card, std::uint8_t count);
    std::uint32_t Total(bool card) const;
    std::vector<CDaoPbookDb::Entry> Entries(const PhonebookReadRecord& block, bool card) const;
    bool EmptyStorage(CDaoPbookDb& store, std::int32_t storageType);
    bool AddBlock(CDaoPbookDb& store, const std::vector<CDaoPbookDb::Entry>& entries);

    CEngine& m_engine;
    ReadFigures m_last;
};

}  // namespace brivex
