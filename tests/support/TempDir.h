#pragma once

#include <filesystem>
#include <string>

namespace brivex::test {

// A scratch directory that lives as long as the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::string str() const { return m_path.string(); }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

    // Writes a file below the directory, creating parent folders.
    void write(const std::string& relative, const std::string& content) const;
    std::string read(const std::string& relative) const;

private:
    std::filesystem::path m_path;
};

}  // namespace brivex::test
