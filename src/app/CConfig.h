#pragma once

#include "app/ProfileKeys.h"

#include <string>
#include <string_view>

namespace brivex {

// Reads and writes the settings of the profile files in $BRIVEX_SYSDIR. Every
// read goes to the file; a failed write is recorded in the debug log and
// otherwise ignored, as callers never check it.
class CConfig {
public:
    // String read with the key's default and buffer size.
    static std::string Text(const ProfileKey& key);
    // Integer read with the key's integer default.
    static int Int(const ProfileKey& key);
    // String read converted with the C library's leading-digit conversion.
    static int Number(const ProfileKey& key);
    static bool Write(const ProfileKey& key, std::string_view value);
    static bool WriteInt(const ProfileKey& key, long long value);

    static std::string FilePath(ProfileFileId file);
};

}  // namespace brivex
