#include "platform/CSysfs.h"

#include "platform/CSystemPaths.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace brivex {

CSysfs::CSysfs(std::string root) : m_root(std::move(root))
{
    while (m_root.size() > 1 && m_root.back() == '/')
        m_root.pop_back();
}

CSysfs CSysfs::FromEnvironment() { return CSysfs(CSystemPaths::SysfsRoot()); }

std::string CSysfs::Path(const std::string& relative) const
{
    if (relative.empty())
        return m_root;
    return m_root + "/" + relative;
}

std::optional<std::string> CSysfs::ReadAttribute(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string data(4096, '\0');
    in.read(data.data(), static_cast<std::streamsize>(data.size()));
    if (in.bad())
        return std::nullopt;
    data.resize(static_cast<std::size_t>(in.gcount()));
    const auto nl = data.find('\n');
    if (nl != std::string::npos)
        data.resize(nl);
    while (!data.empty() && (data.back() == ' ' || data.back() == '\r' || data.back() == '\t' || data.back() == '\0'))
        data.pop_back();
    return data;
}

bool CSysfs::WriteAttribute(const std::string& path, const std::string& value)
{
    std::ofstream out(path, std::ios::binary);
    if (!out)
        return false;
    out << value;
    out.flush();
    return static_cast<bool>(out);
}

std::vector<std::string> CSysfs::List(const std::string& directory)
{
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it(directory, ec), end;
    for (; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

bool CSysfs::IsDirectory(const std::string& path)
{
    std::error_code ec;
    return fs::is_directory(path, ec);
}

bool CSysfs::Exists(const std::string& path)
{
    std::error_code ec;
    return fs::exists(path, ec);
}

std::optional<std::string> CSysfs::RealPath(const std::string& path)
{
    std::error_code ec;
    const fs::path real = fs::canonical(path, ec);
    if (ec)
        return std::nullopt;
    return real.string();
}

std::optional<std::string> CSysfs::LinkTargetName(const std::string& link)
{
    std::error_code ec;
    const fs::path target = fs::read_symlink(link, ec);
    if (ec)
        return std::nullopt;
    return target.filename().string();
}

std::optional<std::string> CSysfs::AncestorWith(const std::string& path, const std::string& attribute) const
{
    const auto realRoot = RealPath(m_root);
    fs::path p = path;
    for (int depth = 0; depth < 64 && !p.empty(); ++depth) {
        std::error_code ec;
        if (fs::is_regular_file(p / attribute, ec))
            return p.string();
        if (realRoot && (p.string() == *realRoot || p.string().size() <= realRoot->size()))
            return std::nullopt;
        if (p == p.parent_path())
            return std::nullopt;
        p = p.parent_path();
    }
    return std::nullopt;
}

}  // namespace brivex
