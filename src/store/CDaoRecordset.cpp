#include "store/CDaoRecordset.h"

#include "store/CDaoException.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace brivex {
namespace {

constexpr const char* kNoCurrentRecord = "No current record.";
constexpr const char* kNotOpen = "The recordset is not open.";
constexpr const char* kAlreadyOpen = "The recordset is already open.";
constexpr const char* kRecordDeleted = "Record is deleted.";
constexpr const char* kNoEdit = "Update without AddNew or Edit.";
constexpr std::size_t kQuotedTextLimit = 64;

bool EqualNoCase(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

bool IsNumber(const CDaoValue& v)
{
    return std::holds_alternative<std::int64_t>(v) || std::holds_alternative<double>(v);
}

bool SameValue(const CDaoValue& stored, const CDaoValue& wanted)
{
    if (IsNumber(stored) && IsNumber(wanted)) {
        if (std::holds_alternative<std::int64_t>(stored) && std::holds_alternative<std::int64_t>(wanted))
            return std::get<std::int64_t>(stored) == std::get<std::int64_t>(wanted);
        return CDaoFieldExchange::ToDouble(stored) == CDaoFieldExchange::ToDouble(wanted);
    }
    const auto* a = std::get_if<std::string>(&stored);
    const auto* b = std::get_if<std::string>(&wanted);
    return a != nullptr && b != nullptr && EqualNoCase(*a, *b);
}

std::string Quoted(const std::string& name)
{
    return "\"" + name + "\"";
}

}  // namespace

CDaoRecordset::CDaoRecordset(const char* table, CDaoDatabase::Sync sync) : m_table(table), m_sync(sync) {}

CDaoRecordset::~CDaoRecordset()
{
    Close();
}

void CDaoRecordset::SetDatabasePath(std::filesystem::path path)
{
    m_path = std::move(path);
}

const std::vector<std::string>& CDaoRecordset::Columns()
{
    if (m_columns.empty()) {
        CDaoFieldExchange fx(CDaoFieldExchange::Op::Columns, nullptr, &m_columns);
        DoFieldExchange(fx);
    }
    return m_columns;
}

std::string CDaoRecordset::ColumnList()
{
    std::string list;
    for (const std::string& column : Columns())
        list += (list.empty() ? "" : ", ") + Quoted(column);
    return list;
}

void CDaoRecordset::Open()
{
    OpenQuery("ORDER BY rowid", {});
}

void CDaoRecordset::OpenQuery(std::string tail, std::vector<CDaoValue> params)
{
    if (IsOpen())
        throw CDaoException(kAlreadyOpen);
    m_db = std::make_unique<CDaoDatabase>(m_path, m_busyTimeoutMs, m_sync);
    m_tail = std::move(tail);
    m_params = std::move(params);
    try {
        Fetch();
    } catch (...) {
        Close();
        throw;
    }
}

void CDaoRecordset::Fetch()
{
    CDaoStatement select =
        m_db->Prepare("SELECT rowid, " + ColumnList() + " FROM " + m_table + " " + m_tail);
    select.BindAll(m_params);
    std::vector<Row> rows;
    while (select.Step()) {
        Row row;
        row.rowid = select.ColumnInt64(0);
        row.values.reserve(Columns().size());
        for (std::size_t c = 0; c < Columns().size(); ++c)
            row.values.push_back(select.Column(static_cast<int>(c + 1)));
        rows.push_back(std::move(row));
    }
    m_rows = std::move(rows);
    m_live = static_cast<long>(m_rows.size());
    m_pos = 0;
    m_mode = EditMode::None;
    LoadCurrent();
}

void CDaoRecordset::Close()
{
    if (m_db && m_db->InTransaction()) {
        try {
            m_db->Rollback();
        } catch (const CDaoException&) {
            // Closing the connection ends the transaction all the same.
        }
    }
    m_insert.reset();
    m_update.reset();
    m_delete.reset();
    m_db.reset();
    m_rows.clear();
    m_live = 0;
    m_pos = 0;
    m_mode = EditMode::None;
}

void CDaoRecordset::Requery()
{
    RequireOpen();
    Fetch();
}

void CDaoRecordset::RequireOpen() const
{
    if (!IsOpen())
        throw CDaoException(kNotOpen);
}

bool CDaoRecordset::HasCurrent() const
{
    return m_pos >= 0 && m_pos < static_cast<long>(m_rows.size()) && !m_rows[static_cast<std::size_t>(m_pos)].deleted;
}

void CDaoRecordset::RequireCurrent() const
{
    RequireOpen();
    if (!HasCurrent())
        throw CDaoException(kNoCurrentRecord);
}

void CDaoRecordset::ClearMembers()
{
    std::vector<CDaoValue> empty;
    CDaoFieldExchange fx(CDaoFieldExchange::Op::Load, &empty, nullptr);
    DoFieldExchange(fx);
}

void CDaoRecordset::LoadCurrent()
{
    if (!HasCurrent()) {
        ClearMembers();
        return;
    }
    CDaoFieldExchange fx(CDaoFieldExchange::Op::Load, &m_rows[static_cast<std::size_t>(m_pos)].values, nullptr);
    DoFieldExchange(fx);
}

long CDaoRecordset::NextLive(long from) const
{
    const long size = static_cast<long>(m_rows.size());
    long i = std::max(from, -1L) + 1;
    while (i < size && m_rows[static_cast<std::size_t>(i)].deleted)
        ++i;
    return std::min(i, size);
}

long CDaoRecordset::PrevLive(long from) const
{
    long i = std::min(from, static_cast<long>(m_rows.size())) - 1;
    while (i >= 0 && m_rows[static_cast<std::size_t>(i)].deleted)
        --i;
    return std::max(i, -1L);
}

// An empty recordset is at both ends at once.
bool CDaoRecordset::IsEOF() const
{
    return !IsOpen() || m_live == 0 || m_pos >= static_cast<long>(m_rows.size());
}

bool CDaoRecordset::IsBOF() const
{
    return !IsOpen() || m_live == 0 || m_pos < 0;
}

void CDaoRecordset::MoveFirst()
{
    RequireOpen();
    if (m_live == 0)
        throw CDaoException(kNoCurrentRecord);
    m_pos = NextLive(-1);
    LoadCurrent();
}

void CDaoRecordset::MoveLast()
{
    RequireOpen();
    if (m_live == 0)
        throw CDaoException(kNoCurrentRecord);
    m_pos = PrevLive(static_cast<long>(m_rows.size()));
    LoadCurrent();
}

void CDaoRecordset::MoveNext()
{
    RequireOpen();
    if (m_pos >= static_cast<long>(m_rows.size()))
        throw CDaoException(kNoCurrentRecord);
    m_pos = NextLive(m_pos);
    LoadCurrent();
}

void CDaoRecordset::MovePrev()
{
    RequireOpen();
    if (m_pos < 0)
        throw CDaoException(kNoCurrentRecord);
    m_pos = PrevLive(m_pos);
    LoadCurrent();
}

long CDaoRecordset::GetRecordCount() const
{
    return m_live;
}

bool CDaoRecordset::FindFirst(std::string_view column, const CDaoValue& value)
{
    RequireOpen();
    const auto& columns = Columns();
    const auto it = std::find(columns.begin(), columns.end(), column);
    if (it == columns.end())
        throw CDaoException("Unknown column in filter: " + std::string(column.substr(0, kQuotedTextLimit)));
    const auto field = static_cast<std::size_t>(it - columns.begin());
    for (long i = NextLive(-1); i < static_cast<long>(m_rows.size()); i = NextLive(i)) {
        if (SameValue(m_rows[static_cast<std::size_t>(i)].values[field], value)) {
            m_pos = i;
            LoadCurrent();
            return true;
        }
    }
    return false;
}

void CDaoRecordset::AddNew()
{
    RequireOpen();
    ClearMembers();
    m_mode = EditMode::Add;
}

void CDaoRecordset::Edit()
{
    RequireCurrent();
    LoadCurrent();
    m_mode = EditMode::Edit;
}

void CDaoRecordset::CancelUpdate()
{
    m_mode = EditMode::None;
    LoadCurrent();
}

CDaoStatement& CDaoRecordset::Cached(std::optional<CDaoStatement>& slot, const std::string& sql)
{
    if (!slot)
        slot.emplace(m_db->Prepare(sql));
    return *slot;
}

void CDaoRecordset::Update()
{
    RequireOpen();
    if (m_mode == EditMode::None)
        throw CDaoException(kNoEdit);
    std::vector<CDaoValue> values;
    CDaoFieldExchange fx(CDaoFieldExchange::Op::Store, &values, nullptr);
    DoFieldExchange(fx);
    if (m_mode == EditMode::Add)
        Insert(std::move(values));
    else
        Rewrite(std::move(values));
    m_mode = EditMode::None;
    LoadCurrent();
}

void CDaoRecordset::Insert(std::vector<CDaoValue> values)
{
    std::string marks;
    for (std::size_t i = 1; i <= values.size(); ++i)
        marks += (i > 1 ? ", ?" : "?") + std::to_string(i);
    CDaoStatement& insert =
        Cached(m_insert, std::string("INSERT INTO ") + m_table + " (" + ColumnList() + ") VALUES (" + marks + ")");
    insert.BindAll(values);
    insert.Run();
    // A recordset standing past its last row stays there.
    const bool atEnd = m_pos >= static_cast<long>(m_rows.size());
    m_rows.push_back(Row{m_db->LastInsertRowId(), std::move(values), false});
    ++m_live;
    if (atEnd)
        m_pos = static_cast<long>(m_rows.size());
}

void CDaoRecordset::Rewrite(std::vector<CDaoValue> values)
{
    if (!HasCurrent())
        throw CDaoException(kNoCurrentRecord);
    std::string sets;
    const auto& columns = Columns();
    for (std::size_t i = 0; i < columns.size(); ++i)
        sets += (i > 0 ? ", " : "") + Quoted(columns[i]) + " = ?" + std::to_string(i + 1);
    CDaoStatement& update = Cached(m_update, std::string("UPDATE ") + m_table + " SET " + sets + " WHERE rowid = ?"
                                                 + std::to_string(columns.size() + 1));
    Row& row = m_rows[static_cast<std::size_t>(m_pos)];
    update.BindAll(values);
    update.Bind(static_cast<int>(columns.size() + 1), row.rowid);
    update.Run();
    if (m_db->Changes() != 1)
        throw CDaoException(kRecordDeleted);
    row.values = std::move(values);
}

void CDaoRecordset::Delete()
{
    RequireCurrent();
    if (m_mode != EditMode::None)
        m_mode = EditMode::None;
    Row& row = m_rows[static_cast<std::size_t>(m_pos)];
    CDaoStatement& erase = Cached(m_delete, std::string("DELETE FROM ") + m_table + " WHERE rowid = ?1");
    erase.Bind(1, row.rowid);
    erase.Run();
    // A row already gone counts as deleted: the aim is reached either way.
    row.deleted = true;
    --m_live;
}

void CDaoRecordset::DeleteAll()
{
    RequireOpen();
    const bool own = !m_db->InTransaction();
    if (own)
        m_db->BeginTrans();
    try {
        for (long i = NextLive(-1); i < static_cast<long>(m_rows.size()); i = NextLive(i)) {
            m_pos = i;
            Delete();
        }
        if (own)
            m_db->CommitTrans();
    } catch (...) {
        if (own) {
            m_db->Rollback();
            Fetch();
        }
        throw;
    }
    m_pos = static_cast<long>(m_rows.size());
    ClearMembers();
}

void CDaoRecordset::BeginTrans()
{
    RequireOpen();
    m_db->BeginTrans();
}

void CDaoRecordset::CommitTrans()
{
    RequireOpen();
    m_db->CommitTrans();
}

void CDaoRecordset::Rollback()
{
    RequireOpen();
    m_db->Rollback();
    // Rows written in the transaction are gone again: read what is there.
    Fetch();
}

CDaoValue CDaoRecordset::IndexValue(std::string_view text)
{
    std::string_view s = text;
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    std::string_view digits = s;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-'))
        digits.remove_prefix(1);
    const std::size_t point = digits.find('.');
    const std::string_view whole = digits.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? std::string_view() : digits.substr(point + 1);
    auto allDigits = [](std::string_view part) {
        return std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (whole.size() + fraction.size() == 0 || !allDigits(whole) || !allDigits(fraction))
        throw CDaoException("unrecognized token: \"" + std::string(text.substr(0, kQuotedTextLimit)) + "\"");

    const std::string number(s.front() == '+' ? s.substr(1) : s);
    if (point == std::string_view::npos) {
        std::int64_t value = 0;
        const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
        if (ec == std::errc() && end == number.data() + number.size())
            return value;
    }
    double value = 0;
    std::from_chars(number.data(), number.data() + number.size(), value);
    return value;
}

}  // namespace brivex
