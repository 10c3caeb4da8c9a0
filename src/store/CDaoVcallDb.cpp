#include "store/CDaoVcallDb.h"

#include "app/CDebugViews.h"
#include "store/CDaoException.h"
#include "store/CHistoryCounter.h"
#include "store/CJetPattern.h"

#include <algorithm>

namespace brivex {

CDaoVcallDb::CDaoVcallDb() : CDaoRecordset("ferrox_vcall", CDaoDatabase::Sync::Full) {}

void CDaoVcallDb::DoFieldExchange(CDaoFieldExchange& fx)
{
    fx.Long("storage_type", m_storage_type);
    fx.Long("index", m_index);
    fx.Text("name", m_name);
    fx.Text("phone_number", m_phone_number);
    fx.Text("time", m_time);
    fx.Text("call_time", m_call_time);
}

void CDaoVcallDb::OpenNewestFirst()
{
    OpenQuery("ORDER BY \"index\" DESC, rowid DESC", {});
}

void CDaoVcallDb::OpenOldestFirst()
{
    OpenQuery("ORDER BY \"index\" ASC, rowid ASC", {});
}

void CDaoVcallDb::OpenEntry(std::string_view indexText)
{
    OpenQuery("WHERE \"index\" = ?1 ORDER BY rowid", {IndexValue(indexText)});
}

void CDaoVcallDb::OpenSearchAll(std::string_view text)
{
    OpenQuery("WHERE (jet_like(?1, phone_number) OR jet_like(?1, name)) ORDER BY \"index\", rowid",
              {CJetPattern::Contains(text)});
}

void CDaoVcallDb::OpenSearchName(std::string_view text)
{
    OpenQuery("WHERE jet_like(?1, name) ORDER BY \"index\" DESC, rowid DESC", {CJetPattern::Contains(text)});
}

void CDaoVcallDb::OpenSearchNumber(std::string_view text)
{
    OpenQuery("WHERE jet_like(?1, phone_number) ORDER BY \"index\" DESC, rowid DESC", {CJetPattern::Contains(text)});
}

CDaoVcallDb::Record CDaoVcallDb::Current() const
{
    return Record{m_storage_type, m_index, m_name, m_phone_number, m_time, m_call_time};
}

std::int32_t CDaoVcallDb::SeedCounter()
{
    std::int32_t newest = 0;
    try {
        OpenNewestFirst();
        MoveFirst();
        newest = std::max(m_index, 0);
    } catch (const CDaoException& e) {
        // An empty table lands here too: the counter starts from 0.
        BX_LOG(LEVEL_DB, "%s", e.Description().c_str());
        newest = 0;
    }
    Close();
    CHistoryCounter::Set(newest);
    if (CHistoryCounter::NeedsRenumbering(newest))
        Walk(true);
    return CHistoryCounter::Last();
}

bool CDaoVcallDb::AddCall(const Record& call)
{
    // The next index must still fit the counter's five digits.
    if (CHistoryCounter::NeedsRenumbering(CHistoryCounter::Last() + 1))
        Walk(true);
    bool ok = true;
    try {
        Open();
        AddNew();
        m_storage_type = call.storageType;
        m_name = call.name;
        m_phone_number = call.phoneNumber;
        m_time = call.time;
        m_call_time = call.callTime;
        m_index = CHistoryCounter::TakeNext();
        Update();
    } catch (const CDaoException& e) {
        BX_LOG(LEVEL_DB, "%s", e.Description().c_str());
        ok = false;
    }
    Close();
    return ok;
}

CDaoVcallDb::Listing CDaoVcallDb::ListNewest()
{
    return Walk(false);
}

CDaoVcallDb::Listing CDaoVcallDb::Walk(bool renumberAlways)
{
    Listing listing;
    Close();
    try {
        OpenNewestFirst();
        // The older records go together or not at all.
        const bool trimming = static_cast<std::size_t>(GetRecordCount()) > kListed;
        if (trimming)
            BeginTrans();
        for (; !IsEOF(); MoveNext()) {
            if (listing.rows.size() < kListed)
                listing.rows.push_back(Current());
            else
                Delete();
        }
        if (trimming)
            CommitTrans();
        Close();
        if (!listing.rows.empty() && (renumberAlways || CHistoryCounter::NeedsRenumbering(listing.rows.front().index))) {
            Renumber();
            // The rows left are exactly the ones listed, newest first.
            const auto count = static_cast<std::int32_t>(listing.rows.size());
            for (std::int32_t i = 0; i < count; ++i)
                listing.rows[static_cast<std::size_t>(i)].index = count - i;
        }
    } catch (const CDaoException& e) {
        BX_LOG(LEVEL_DB, "%s", e.Description().c_str());
        listing.ok = false;
    }
    Close();
    return listing;
}

void CDaoVcallDb::Renumber()
{
    OpenOldestFirst();
    std::int32_t count = 0;
    try {
        BeginTrans();
        for (; !IsEOF(); MoveNext()) {
            Edit();
            m_index = ++count;
            Update();
        }
        CommitTrans();
    } catch (...) {
        Close();
        throw;
    }
    Close();
    CHistoryCounter::Set(count);
}

bool CDaoVcallDb::DeleteAllCalls()
{
    if (IsOpen())
        return false;
    bool ok = true;
    try {
        Open();
        DeleteAll();
        CHistoryCounter::Set(0);
    } catch (const CDaoException& e) {
        BX_LOG(LEVEL_DB, "%s", e.Description().c_str());
        ok = false;
    }
    Close();
    return ok;
}

}  // namespace brivex
