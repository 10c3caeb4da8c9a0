#include "store/CHistoryCounter.h"

#include "app/CConfig.h"

#include <algorithm>

namespace brivex {

std::int32_t CHistoryCounter::Last()
{
    return std::max(CConfig::Number(keys::HistoryNum), 0);
}

std::int32_t CHistoryCounter::TakeNext()
{
    const std::int32_t next = Last() + 1;
    Set(next);
    return next;
}

void CHistoryCounter::Set(std::int32_t last)
{
    CConfig::WriteInt(keys::HistoryNum, std::max(last, 0));
}

}  // namespace brivex
