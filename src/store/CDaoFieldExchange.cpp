#include "store/CDaoFieldExchange.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace brivex {

CDaoFieldExchange::CDaoFieldExchange(Op op, std::vector<CDaoValue>* row, std::vector<std::string>* columns)
    : m_op(op), m_row(row), m_columns(columns)
{
    if (m_op == Op::Store && m_row != nullptr)
        m_row->clear();
}

const CDaoValue* CDaoFieldExchange::Next(const char* column)
{
    if (m_op == Op::Columns) {
        if (m_columns != nullptr)
            m_columns->emplace_back(column);
        return nullptr;
    }
    if (m_op != Op::Load || m_row == nullptr)
        return nullptr;
    static const CDaoValue kNull;
    const std::size_t field = m_field++;
    return field < m_row->size() ? &(*m_row)[field] : &kNull;
}

void CDaoFieldExchange::Put(CDaoValue value)
{
    if (m_op == Op::Store && m_row != nullptr)
        m_row->push_back(std::move(value));
}

void CDaoFieldExchange::Long(const char* column, std::int32_t& member)
{
    if (const CDaoValue* v = Next(column))
        member = static_cast<std::int32_t>(ToInteger(*v, std::numeric_limits<std::int32_t>::min(),
                                                     std::numeric_limits<std::int32_t>::max()));
    Put(static_cast<std::int64_t>(member));
}

void CDaoFieldExchange::Double(const char* column, double& member)
{
    if (const CDaoValue* v = Next(column))
        member = ToDouble(*v);
    Put(member);
}

void CDaoFieldExchange::Byte(const char* column, std::uint8_t& member)
{
    if (const CDaoValue* v = Next(column))
        member = static_cast<std::uint8_t>(ToInteger(*v, 0, 255));
    Put(static_cast<std::int64_t>(member));
}

void CDaoFieldExchange::Text(const char* column, std::string& member)
{
    if (const CDaoValue* v = Next(column))
        member = ToText(*v);
    Put(member);
}

void CDaoFieldExchange::Binary(const char* column, std::vector<std::uint8_t>& member)
{
    if (const CDaoValue* v = Next(column)) {
        if (const auto* bytes = std::get_if<std::vector<std::uint8_t>>(v)) {
            member = *bytes;
        } else {
            const std::string text = std::holds_alternative<std::monostate>(*v) ? std::string() : ToText(*v);
            member.assign(text.begin(), text.end());
        }
    }
    Put(member);
}

std::int64_t CDaoFieldExchange::ToInteger(const CDaoValue& value, std::int64_t low, std::int64_t high)
{
    if (const auto* i = std::get_if<std::int64_t>(&value))
        return std::clamp(*i, low, high);
    double d = 0;
    if (const auto* real = std::get_if<double>(&value))
        d = *real;
    else if (const auto* text = std::get_if<std::string>(&value))
        d = std::strtod(text->c_str(), nullptr);
    if (std::isnan(d))
        return 0;
    // Clamped as a double first: converting an out-of-range double is undefined.
    d = std::clamp(d, static_cast<double>(low), static_cast<double>(high));
    return static_cast<std::int64_t>(d);
}

double CDaoFieldExchange::ToDouble(const CDaoValue& value)
{
    if (const auto* d = std::get_if<double>(&value))
        return *d;
    if (const auto* i = std::get_if<std::int64_t>(&value))
        return static_cast<double>(*i);
    if (const auto* text = std::get_if<std::string>(&value))
        return std::strtod(text->c_str(), nullptr);
    return 0;
}

std::string CDaoFieldExchange::ToText(const CDaoValue& value)
{
    if (const auto* s = std::get_if<std::string>(&value))
        return *s;
    if (const auto* i = std::get_if<std::int64_t>(&value))
        return std::to_string(*i);
    if (const auto* d = std::get_if<double>(&value))
        return std::to_string(*d);
    if (const auto* b = std::get_if<std::vector<std::uint8_t>>(&value))
        return std::string(b->begin(), b->end());
    return {};
}

}  // namespace brivex
