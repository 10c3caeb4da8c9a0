#pragma once

#include <cstdint>

namespace brivex {

// The phonebook information answer (qor_pb_init_req_type).
struct PhonebookInfoRecord {
    std::uint16_t maxRecords = 0;
    std::uint16_t recordsInUse = 0;
    std::uint16_t maxNameLength = 0;
};

}  // namespace brivex
