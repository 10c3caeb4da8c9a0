#pragma once

#include "store/CDaoValue.h"

#include <cstdint>
#include <string>
#include <vector>

namespace brivex {

// The field exchange of a record class: DoFieldExchange names each column
// with its member once, and the exchange either lists the columns, loads the
// members from a row, or stores the members into a row. Loading never trusts
// the file: a value of another type or out of range becomes the member's
// nearest value (null becomes 0 or empty).
class CDaoFieldExchange {
public:
    enum class Op { Columns, Load, Store };

    CDaoFieldExchange(Op op, std::vector<CDaoValue>* row, std::vector<std::string>* columns);

    void Long(const char* column, std::int32_t& member);
    void Double(const char* column, double& member);
    void Byte(const char* column, std::uint8_t& member);
    void Text(const char* column, std::string& member);
    void Binary(const char* column, std::vector<std::uint8_t>& member);

    static std::int64_t ToInteger(const CDaoValue& value, std::int64_t low, std::int64_t high);
    static double ToDouble(const CDaoValue& value);
    static std::string ToText(const CDaoValue& value);

private:
    // The value of the next column in Load, or nothing in the other modes.
    const CDaoValue* Next(const char* column);
    void Put(CDaoValue value);

    Op m_op;
    std::vector<CDaoValue>* m_row;
    std::vector<std::string>* m_columns;
    std::size_t m_field = 0;
};

}  // namespace brivex
