#pragma once

#include <optional>
#include <string>
#include <vector>

namespace brivex {

// Small, policy-free reads of a sysfs-shaped tree rooted at $BRIVEX_SYSFS.
// Every function tolerates missing files, dangling links and odd values.
class CSysfs {
public:
    explicit CSysfs(std::string root);
    static CSysfs FromEnvironment();  // CSystemPaths::SysfsRoot()

    const std::string& Root() const { return m_root; }
    // Root joined with a relative path ("bus/usb-serial/drivers/option1").
    std::string Path(const std::string& relative) const;

    // The first line of an attribute file with trailing blanks and line
    // breaks removed; nullopt when it cannot be read. Reads at most 4096 bytes.
    static std::optional<std::string> ReadAttribute(const std::string& path);
    static bool WriteAttribute(const std::string& path, const std::string& value);
    // Names of the entries of a directory (links included), sorted; empty when unreadable.
    static std::vector<std::string> List(const std::string& directory);
    static bool IsDirectory(const std::string& path);
    static bool Exists(const std::string& path);
    // The canonical path with every link resolved; nullopt for a dangling link.
    static std::optional<std::string> RealPath(const std::string& path);
    // The file name a link points at (the driver of a device: "option1").
    static std::optional<std::string> LinkTargetName(const std::string& link);
    // Walks up from path (inclusive) towards the root, returning the first
    // directory that holds the attribute file; nullopt when none does.
    std::optional<std::string> AncestorWith(const std::string& path, const std::string& attribute) const;

private:
    std::string m_root;
};

}  // namespace brivex
