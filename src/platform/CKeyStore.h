#pragma once

#include <optional>
#include <string>
#include <vector>

namespace brivex {

// The few registry-like records that veku and MODEVORTEX keep (the per-instance
// driver choice, the service's AppID record), stored as plain files: a key
// path "HKEY_LOCAL_MACHINE\SYSTEM\Foo" is the directory
// <root>/HKEY_LOCAL_MACHINE/SYSTEM/Foo, and each string value is a file in it
// named after the value ("@" holds the key's default value). Names are case
// sensitive. A key component that is empty, "." or "..", or holds '/' or a
// control character is refused, so no path ever leaves the root.
class CKeyStore {
public:
    explicit CKeyStore(std::string root);
    static CKeyStore FromEnvironment();  // CSystemPaths::SysDir()

    static constexpr const char* DefaultValue = "";

    bool KeyExists(const std::string& key) const;
    bool CreateKey(const std::string& key) const;
    // Names of the direct sub keys, sorted; empty when the key is missing.
    std::vector<std::string> SubKeys(const std::string& key) const;

    bool HasValue(const std::string& key, const std::string& name) const;
    // At most 64 KiB are read; nullopt when the value is missing or unreadable.
    std::optional<std::string> ReadValue(const std::string& key, const std::string& name) const;
    // Creates the key when needed; the value is replaced atomically.
    bool WriteValue(const std::string& key, const std::string& name, const std::string& value) const;
    // True when the value is gone afterwards (a missing value is no error).
    bool DeleteValue(const std::string& key, const std::string& name) const;
    // Removes the key with all its sub keys and values; true when the key is
    // gone afterwards (a missing key is no error).
    bool DeleteTree(const std::string& key) const;

    // The directory that stands for a key; nullopt for a path that is refused.
    std::optional<std::string> KeyDirectory(const std::string& key) const;

private:
    std::optional<std::string> ValueFile(const std::string& key, const std::string& name) const;

    std::string m_root;
};

}  // namespace brivex
