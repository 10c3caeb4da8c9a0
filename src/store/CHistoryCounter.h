#pragma once

#include <cstdint>

namespace brivex {

// The last call-history index handed out, kept in [history_num] num. A new
// record takes num + 1. The value is read with five digits, so the history
// is renumbered before an index would pass kRenumberAbove.
class CHistoryCounter {
public:
    static constexpr std::int32_t kRenumberAbove = 99999;

    static std::int32_t Last();
    // num + 1, written back at once.
    static std::int32_t TakeNext();
    static void Set(std::int32_t last);
    // True when the newest index no longer fits the counter.
    static bool NeedsRenumbering(std::int32_t newestIndex) { return newestIndex > kRenumberAbove; }
};

}  // namespace brivex
