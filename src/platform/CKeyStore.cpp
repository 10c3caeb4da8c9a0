#include "platform/CKeyStore.h"

#include "platform/CSystemPaths.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace brivex {

namespace {

constexpr std::size_t MaxValueBytes = 64 * 1024;

bool IsSafeComponent(const std::string& name)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        return c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
    });
}

}  // namespace

CKeyStore::CKeyStore(std::string root) : m_root(std::move(root)) {}

CKeyStore CKeyStore::FromEnvironment() { return CKeyStore(CSystemPaths::SysDir()); }

std::optional<std::string> CKeyStore::KeyDirectory(const std::string& key) const
{
    std::string path = m_root;
    std::size_t start = 0;
    while (start <= key.size()) {
        std::size_t end = key.find('\\', start);
        if (end == std::string::npos)
            end = key.size();
        const std::string part = key.substr(start, end - start);
        if (!IsSafeComponent(part))
            return std::nullopt;
        path += "/" + part;
        start = end + 1;
    }
    return path;
}

std::optional<std::string> CKeyStore::ValueFile(const std::string& key, const std::string& name) const
{
    const auto dir = KeyDirectory(key);
    if (!dir)
        return std::nullopt;
    const std::string file = name.empty() ? std::string("@") : name;
    if (!IsSafeComponent(file))
        return std::nullopt;
    return *dir + "/" + file;
}

bool CKeyStore::KeyExists(const std::string& key) const
{
    const auto dir = KeyDirectory(key);
    std::error_code ec;
    return dir && fs::is_directory(*dir, ec);
}

bool CKeyStore::CreateKey(const std::string& key) const
{
    const auto dir = KeyDirectory(key);
    if (!dir)
        return false;
    std::error_code ec;
    fs::create_directories(*dir, ec);
    return fs::is_directory(*dir, ec);
}

std::vector<std::string> CKeyStore::SubKeys(const std::string& key) const
{
    std::vector<std::string> names;
    const auto dir = KeyDirectory(key);
    if (!dir)
        return names;
    std::error_code ec;
    fs::directory_iterator it(*dir, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        std::error_code typeEc;
        if (it->is_directory(typeEc) && !it->is_symlink(typeEc))
            names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool CKeyStore::HasValue(const std::string& key, const std::string& name) const
{
    const auto file = ValueFile(key, name);
    std::error_code ec;
    return file && fs::is_regular_file(*file, ec);
}

std::optional<std::string> CKeyStore::ReadValue(const std::string& key, const std::string& name) const
{
    const auto file = ValueFile(key, name);
    if (!file)
        return std::nullopt;
    std::ifstream in(*file, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string data(MaxValueBytes, '\0');
    in.read(data.data(), static_cast<std::streamsize>(data.size()));
    if (in.bad())
        return std::nullopt;
    data.resize(static_cast<std::size_t>(in.gcount()));
    return data;
}

bool CKeyStore::WriteValue(const std::string& key, const std::string& name, const std::string& value) const
{
    const auto file = ValueFile(key, name);
    if (!file || !CreateKey(key))
        return false;
    const std::string temp = *file + ".tmp." + std::to_string(::getpid());
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << value;
        out.flush();
        if (!out) {
            std::remove(temp.c_str());
            return false;
        }
    }
    if (std::rename(temp.c_str(), file->c_str()) != 0) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

bool CKeyStore::DeleteValue(const std::string& key, const std::string& name) const
{
    const auto file = ValueFile(key, name);
    if (!file)
        return false;
    std::error_code ec;
    fs::remove(*file, ec);
    return !fs::exists(*file, ec);
}

bool CKeyStore::DeleteTree(const std::string& key) const
{
    const auto dir = KeyDirectory(key);
    if (!dir)
        return false;
    std::error_code ec;
    fs::remove_all(*dir, ec);
    return !fs::exists(fs::symlink_status(*dir, ec));
}

}  // namespace brivex
