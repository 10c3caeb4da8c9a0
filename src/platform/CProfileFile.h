#pragma once

#include <string>
#include <string_view>

namespace brivex {

// One profile (INI) file with the semantics of the classic private-profile
// calls: case-insensitive sections and keys, a missing key gives the default,
// string reads are cut to the caller's buffer size, integer reads parse the
// leading digits. Nothing is cached: every read re-reads the file. Every write
// rewrites the file through a temporary file renamed over the old one while an
// exclusive lock is held, so concurrent writers (threads or processes) lose no
// key and a crash never leaves a half-written file.
class CProfileFile {
public:
    explicit CProfileFile(std::string path);

    const std::string& Path() const { return m_path; }

    // Copies at most bufferSize - 1 characters of the value (or of the default).
    std::string ReadString(std::string_view section, std::string_view key, std::string_view def,
                           std::size_t bufferSize) const;
    // Leading blanks, an optional sign and the leading decimal digits; a value
    // without digits reads as 0, a missing key as the default.
    int ReadInt(std::string_view section, std::string_view key, int def) const;
    // Replaces the value at once; false when the file could not be written.
    bool WriteString(std::string_view section, std::string_view key, std::string_view value) const;

    // The C library's decimal conversion of leading digits (atoi).
    static int LeadingInt(std::string_view text);

private:
    bool ReadValue(std::string_view section, std::string_view key, std::string& value) const;

    std::string m_path;
};

}  // namespace brivex
