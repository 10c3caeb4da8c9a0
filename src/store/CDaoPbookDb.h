#pragma once

#include "store/CDaoRecordset.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace brivex {

// The phonebook mirror, table ferrox_pbook of the working copy: the entries
// read from the modem during this run. Searches take the user's text as
// typed; it matches literally (see CJetPattern).
class CDaoPbookDb : public CDaoRecordset {
public:
    static constexpr std::int32_t kMemory = 1;  // storage_type of modem memory
    static constexpr std::int32_t kRuim = 2;    // storage_type of the RUIM card

    struct Entry {
        std::int32_t storageType = kMemory;
        std::int32_t index = 0;
        std::string name;
        std::string phoneNumber;
    };

    CDaoPbookDb();

    std::int32_t m_storage_type = 0;
    std::int32_t m_index = 0;
    std::string m_name;
    std::string m_phone_number;

    // The entries of one storage by index (the memory tab lists storage 1).
    void OpenStorage(std::int32_t storage);
    // Every entry, highest index first (emptying the mirror).
    void OpenNewestFirst();
    // Number or name contains the text.
    void OpenSearchAll(std::int32_t storage, std::string_view text);
    // The index as typed; a text that is no number throws.
    void OpenSearchIndex(std::string_view indexText, std::int32_t storage);
    void OpenSearchName(std::string_view text, std::int32_t storage);
    void OpenSearchNumber(std::string_view text, std::int32_t storage);
    // One entry, for a new or changed entry (number) or a delete (index text).
    void OpenEntry(std::int32_t index, std::int32_t storage);
    void OpenEntry(std::string_view indexText, std::int32_t storage);
    // The entries whose number is exactly the text.
    void OpenNumber(std::string_view number);

    // Appends a block of entries in one transaction: all or none of them.
    // The recordset must be open (the default query).
    void AddEntries(std::span<const Entry> block);

    // The name of the first entry with the number, or nothing when there is
    // none or the store fails (logged). Opens and closes the recordset; finds
    // nothing while another operation holds it open.
    std::optional<std::string> LookUpName(std::string_view number);
    // Deletes every entry (the device watch's "empty the mirror"); false on a
    // logged database error.
    bool EmptyMirror();

protected:
    void DoFieldExchange(CDaoFieldExchange& fx) override;
};

}  // namespace brivex
