#pragma once

#include <cstdint>
#include <vector>

namespace brivex {

struct SmsListEntry {
    std::uint32_t slot = 0;
    std::uint32_t tag = 0;  // 2 unread, 1 read, other values passed over
};

// The SMS list answer (qor_sms_get_list_req_type).
struct SmsListRecord {
    static constexpr std::size_t kMaxEntries = 198;  // what a 1605-byte answer holds

    std::uint32_t storage = 0;
    std::uint32_t voiceMailSlot = 0;
    std::uint32_t voiceMailActive = 0;
    std::vector<SmsListEntry> entries;  // as many as the entry count
};

}  // namespace brivex
