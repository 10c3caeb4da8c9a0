#pragma once

#include "dialup/RasTypes.h"

#include <optional>
#include <string>

namespace brivex {

// The private phonebook on disk: the directory $BRIVEX_SYSDIR/<phonebook>/
// with one "<entry>.entry" file per entry (its properties) and one
// "<entry>.dialparams" file (the account, mode 0600). Every file is written
// to a temporary file of its final mode and renamed over the old one, so a
// reader never sees half a file and the password never sits in a file
// anybody else can read.
class CRasPhonebook {
public:
    // The phonebook name given on every call ("VOZUDI"); empty means the
    // system phonebook, kept in $BRIVEX_SYSDIR/SYSTEM.
    explicit CRasPhonebook(const std::string& phonebook);

    const std::string& Directory() const { return m_dir; }
    bool Valid() const { return m_valid; }

    // 0 when the name can be an entry, 183 when it exists, 123 when it cannot be one.
    int ValidateName(const std::string& entryName) const;
    bool Exists(const std::string& entryName) const;

    std::optional<RasEntry> ReadEntry(const std::string& entryName) const;
    bool WriteEntry(const std::string& entryName, const RasEntry& entry) const;
    std::optional<RasDialParams> ReadDialParams(const std::string& entryName) const;
    bool WriteDialParams(const std::string& entryName, const RasDialParams& params) const;

    // Path of a file that belongs to the entry ("<dir>/<entry><suffix>").
    std::string EntryFile(const std::string& entryName, const char* suffix) const;

    // Writes a whole file through a temporary file of the given mode and a rename.
    static bool WriteFileAtomically(const std::string& path, const std::string& content, unsigned mode);
    // At most maxBytes of a file; nullopt when it cannot be read.
    static std::optional<std::string> ReadSmallFile(const std::string& path, std::size_t maxBytes = 8192);
    // The text with line breaks and other control characters removed, cut to maxLength.
    static std::string CleanValue(const std::string& text, std::size_t maxLength = 256);

private:
    bool NameIsValid(const std::string& entryName) const;
    bool EnsureDirectory() const;

    std::string m_dir;
    bool m_valid = true;
};

}  // namespace brivex
