#pragma once

#include "store/CDaoDatabase.h"
#include "store/CDaoFieldExchange.h"
#include "store/CDaoValue.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brivex {

// What the three record classes share: a recordset over one table of one
// database file, with its own connection while it is open. Opening runs the
// query and keeps the keys and values of its rows; moves go through them,
// AddNew/Edit + Update and Delete write through to the file at once. Rows
// added while open are appended at the end; deleted rows are skipped by
// the moves. The record class's members hold the current row.
//
// Every failure throws CDaoException; a failed open leaves the recordset
// closed. Not for use from two threads.
class CDaoRecordset {
public:
    virtual ~CDaoRecordset();
    CDaoRecordset(const CDaoRecordset&) = delete;
    CDaoRecordset& operator=(const CDaoRecordset&) = delete;

    // The database the recordset opens (its default database name).
    void SetDatabasePath(std::filesystem::path path);
    const std::filesystem::path& GetDefaultDBName() const { return m_path; }
    void SetBusyTimeout(int milliseconds) { m_busyTimeoutMs = milliseconds; }

    // The default query: the whole table in table order.
    void Open();
    bool IsOpen() const { return m_db != nullptr; }
    // Discards an unfinished AddNew/Edit and rolls back an open transaction.
    void Close();
    // Runs the query again; positioned on the first row.
    void Requery();

    bool IsEOF() const;
    bool IsBOF() const;
    void MoveFirst();
    void MoveNext();
    void MovePrev();
    void MoveLast();
    long GetRecordCount() const;

    // The filter "column = value" (texts compared without regard to case).
    // On success the match is the current row; otherwise nothing moves.
    bool FindFirst(std::string_view column, const CDaoValue& value);

    // AddNew clears the members; Edit takes the current row; Update writes
    // either. A failed Update keeps the edit, so it can be tried again.
    void AddNew();
    void Edit();
    void Update();
    void CancelUpdate();
    // The current row; afterwards there is no current row until a move.
    void Delete();
    // Every row of the recordset, in one transaction (or the caller's).
    void DeleteAll();

    // One transaction on the recordset's connection for a run of writes.
    void BeginTrans();
    void CommitTrans();
    void Rollback();

protected:
    CDaoRecordset(const char* table, CDaoDatabase::Sync sync);

    // Binds the record class's members to the table's columns, in order.
    virtual void DoFieldExchange(CDaoFieldExchange& fx) = 0;

    // Opens "select <columns> from <table> <tail>" with the values bound to
    // the tail's parameters ?1, ?2, ...
    void OpenQuery(std::string tail, std::vector<CDaoValue> params);

    // An index typed as text: blanks around a decimal number, which may have
    // a sign and a fraction. Anything else cannot be a value of the column
    // and throws, as the query would have failed.
    static CDaoValue IndexValue(std::string_view text);

private:
    struct Row {
        std::int64_t rowid = 0;
        std::vector<CDaoValue> values;
        bool deleted = false;
    };
    enum class EditMode { None, Add, Edit };

    const std::vector<std::string>& Columns();
    std::string ColumnList();
    void RequireOpen() const;
    bool HasCurrent() const;
    void RequireCurrent() const;
    void Fetch();
    void LoadCurrent();
    void ClearMembers();
    long NextLive(long from) const;
    long PrevLive(long from) const;
    CDaoStatement& Cached(std::optional<CDaoStatement>& slot, const std::string& sql);
    void Insert(std::vector<CDaoValue> values);
    void Rewrite(std::vector<CDaoValue> values);

    const char* m_table;
    CDaoDatabase::Sync m_sync;
    std::filesystem::path m_path;
    int m_busyTimeoutMs = CDaoDatabase::kDefaultBusyTimeoutMs;
    std::vector<std::string> m_columns;

    std::unique_ptr<CDaoDatabase> m_db;
    std::string m_tail;
    std::vector<CDaoValue> m_params;
    std::vector<Row> m_rows;
    long m_pos = 0;  // -1 before the first row, m_rows.size() past the last
    long m_live = 0;
    EditMode m_mode = EditMode::None;
    std::optional<CDaoStatement> m_insert, m_update, m_delete;
};

}  // namespace brivex
