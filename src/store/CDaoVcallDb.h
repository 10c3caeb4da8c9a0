#pragma once

#include "store/CDaoRecordset.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brivex {

// The call history, table ferrox_vcall of the store file. It survives
// restarts; each write is on the disk before it returns.
class CDaoVcallDb : public CDaoRecordset {
public:
    static constexpr std::int32_t kOutgoing = 1;
    static constexpr std::int32_t kIncoming = 2;
    static constexpr std::int32_t kMissed = 3;
    // The history tab lists this many newest records and keeps no more.
    static constexpr std::size_t kListed = 100;

    struct Record {
        std::int32_t storageType = kOutgoing;
        std::int32_t index = 0;
        std::string name;
        std::string phoneNumber;
        std::string time;
        std::string callTime;
    };

    struct Listing {
        std::vector<Record> rows;  // newest first
        bool ok = true;            // false: a logged error ended the pass
    };

    CDaoVcallDb();

    std::int32_t m_storage_type = 0;
    std::int32_t m_index = 0;
    std::string m_name;
    std::string m_phone_number;
    std::string m_time;
    std::string m_call_time;

    void OpenNewestFirst();
    void OpenOldestFirst();
    // One record by its index as text; a text that is no number throws.
    void OpenEntry(std::string_view indexText);
    // Number or name contains the text, oldest first.
    void OpenSearchAll(std::string_view text);
    // Name (number) contains the text, newest first.
    void OpenSearchName(std::string_view text);
    void OpenSearchNumber(std::string_view text);

    Record Current() const;

    // Start-up: the newest index, or 0 for an empty or unreadable history,
    // becomes [history_num] num (renumbered first when it would not fit).
    std::int32_t SeedCounter();
    // End-of-call logging: one record with index = num + 1, num updated.
    // False when a logged database error kept the record out.
    bool AddCall(const Record& call);
    // The history tab: the kListed newest records; every older one is
    // deleted. When the newest index no longer fits the counter the rest is
    // renumbered 1, 2, ... oldest first (the rows returned carry the new
    // numbers) and num becomes their count.
    Listing ListNewest();
    // Renumbers every record 1, 2, ... by ascending index in one transaction
    // and sets num to the count. Throws on a database error.
    void Renumber();
    // Deletes every record and sets num to 0; false on a logged error or
    // while the recordset is busy.
    bool DeleteAllCalls();

protected:
    void DoFieldExchange(CDaoFieldExchange& fx) override;

private:
    Listing Walk(bool renumberAlways);
};

}  // namespace brivex
