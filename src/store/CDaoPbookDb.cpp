#include "store/CDaoPbookDb.h"

#include "app/CDebugViews.h"
#include "store/CDaoException.h"
#include "store/CJetPattern.h"

namespace brivex {
namespace {

constexpr const char* kByIndex = "ORDER BY \"index\", rowid";

std::string ByIndex(const std::string& where)
{
    return "WHERE " + where + " " + kByIndex;
}

}  // namespace

CDaoPbookDb::CDaoPbookDb() : CDaoRecordset("ferrox_pbook", CDaoDatabase::Sync::Off) {}

void CDaoPbookDb::DoFieldExchange(CDaoFieldExchange& fx)
{
    fx.Long("storage_type", m_storage_type);
    fx.Long("index", m_index);
    fx.Text("name", m_name);
    fx.Text("phone_number", m_phone_number);
}

void CDaoPbookDb::OpenStorage(std::int32_t storage)
{
    OpenQuery(ByIndex("storage_type = ?1"), {std::int64_t{storage}});
}

void CDaoPbookDb::OpenNewestFirst()
{
    OpenQuery("ORDER BY \"index\" DESC, rowid DESC", {});
}

void CDaoPbookDb::OpenSearchAll(std::int32_t storage, std::string_view text)
{
    OpenQuery(ByIndex("storage_type = ?1 AND (jet_like(?2, phone_number) OR jet_like(?2, name))"),
              {std::int64_t{storage}, CJetPattern::Contains(text)});
}

void CDaoPbookDb::OpenSearchIndex(std::string_view indexText, std::int32_t storage)
{
    OpenQuery(ByIndex("\"index\" = ?1 AND storage_type = ?2"), {IndexValue(indexText), std::int64_t{storage}});
}

void CDaoPbookDb::OpenSearchName(std::string_view text, std::int32_t storage)
{
    OpenQuery(ByIndex("jet_like(?1, name) AND storage_type = ?2"), {CJetPattern::Contains(text), std::int64_t{storage}});
}

void CDaoPbookDb::OpenSearchNumber(std::string_view text, std::int32_t storage)
{
    OpenQuery(ByIndex("jet_like(?1, phone_number) AND storage_type = ?2"),
              {CJetPattern::Contains(text), std::int64_t{storage}});
}

void CDaoPbookDb::OpenEntry(std::int32_t index, std::int32_t storage)
{
    OpenQuery(ByIndex("\"index\" = ?1 AND storage_type = ?2"), {std::int64_t{index}, std::int64_t{storage}});
}

void CDaoPbookDb::OpenEntry(std::string_view indexText, std::int32_t storage)
{
    OpenQuery(ByIndex("\"index\" = ?1 AND storage_type = ?2"), {IndexValue(indexText), std::int64_t{storage}});
}

void CDaoPbookDb::OpenNumber(std::string_view number)
{
    // Texts compare without regard to case, as everywhere in the store.
    OpenQuery("WHERE phone_number = ?1 COLLATE NOCASE ORDER BY rowid", {std::string(number)});
}

void CDaoPbookDb::AddEntries(std::span<const Entry> block)
{
    BeginTrans();
    try {
        for (const Entry& entry : block) {
            AddNew();
            m_storage_type = entry.storageType;
            m_index = entry.index;
            m_name = entry.name;
            m_phone_number = entry.phoneNumber;
            Update();
        }
        CommitTrans();
    } catch (...) {
        CancelUpdate();
        Rollback();
        throw;
    }
}

std::optional<std::string> CDaoPbookDb::LookUpName(std::string_view number)
{
    if (IsOpen()) {
        BX_LOG(LEVEL_DB, "phonebook busy, no name for %.32s", std::string(number).c_str());
        return std::nullopt;
    }
    std::optional<std::string> name;
    try {
        OpenNumber(number);
        MoveFirst();
        name = m_name;
    } catch (const CDaoException& e) {
        BX_LOG(LEVEL_DB, "%s", e.Description().c_str());
    }
    Close();
    return name;
}

bool CDaoPbookDb::EmptyMirror()
{
    bool ok = true;
    try {
        Close();
        OpenNewestFirst();
        DeleteAll();
    } catch (const CDaoException& e) {
        BX_LOG(LEVEL_ST, "%s", e.Description().c_str());
        ok = false;
    }
    Close();
    return ok;
}

}  // namespace brivex
