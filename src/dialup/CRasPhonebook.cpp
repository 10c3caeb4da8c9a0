#include "dialup/CRasPhonebook.h"

#include "platform/CFdIo.h"
#include "platform/CSystemPaths.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace brivex {

namespace {

constexpr std::size_t kMaxEntryName = 200;

// "key=value" lines into a map; later keys win, malformed lines are skipped.
std::map<std::string, std::string> ParseKeyValues(const std::string& text)
{
    std::map<std::string, std::string> values;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos || eq == 0)
            continue;
        values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return values;
}

std::uint32_t ToU32(const std::string& text)
{
    char* end = nullptr;
    const unsigned long long v = std::strtoull(text.c_str(), &end, 10);
    return v > 0xFFFFFFFFull ? 0 : static_cast<std::uint32_t>(v);
}

}  // namespace

CRasPhonebook::CRasPhonebook(const std::string& phonebook)
{
    const std::string name = phonebook.empty() ? std::string("SYSTEM") : phonebook;
    if (name.find('/') != std::string::npos || name == "." || name == ".." || name.size() > 64)
        m_valid = false;
    m_dir = CSystemPaths::SysDir() + "/" + name;
}

bool CRasPhonebook::NameIsValid(const std::string& entryName) const
{
    if (!m_valid || entryName.empty() || entryName.size() > kMaxEntryName || entryName[0] == '.')
        return false;
    for (unsigned char c : entryName)
        if (c < 0x20 || c == 0x7F || c == '/' || c == '\\')
            return false;
    return true;
}

int CRasPhonebook::ValidateName(const std::string& entryName) const
{
    if (!NameIsValid(entryName))
        return ras::kInvalidName;
    return Exists(entryName) ? ras::kAlreadyExists : ras::kSuccess;
}

std::string CRasPhonebook::EntryFile(const std::string& entryName, const char* suffix) const
{
    return m_dir + "/" + entryName + suffix;
}

bool CRasPhonebook::Exists(const std::string& entryName) const
{
    struct stat st {};
    return NameIsValid(entryName) && ::stat(EntryFile(entryName, ".entry").c_str(), &st) == 0 &&
           S_ISREG(st.st_mode);
}

bool CRasPhonebook::EnsureDirectory() const
{
    if (!m_valid)
        return false;
    if (::mkdir(m_dir.c_str(), 0770) == 0 || errno == EEXIST)
        return true;
    // The profile directory itself may be missing on a fresh machine.
    ::mkdir(CSystemPaths::SysDir().c_str(), 0775);
    return ::mkdir(m_dir.c_str(), 0770) == 0 || errno == EEXIST;
}

std::string CRasPhonebook::CleanValue(const std::string& text, std::size_t maxLength)
{
    std::string out;
    for (unsigned char c : text) {
        if (out.size() >= maxLength)
            break;
        if (c >= 0x20 && c != 0x7F)
            out.push_back(static_cast<char>(c));
    }
    return out;
}

std::optional<std::string> CRasPhonebook::ReadSmallFile(const std::string& path, std::size_t maxBytes)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return std::nullopt;
    std::string text;
    char buffer[1024];
    while (text.size() < maxBytes) {
        const ssize_t n = ::read(fd, buffer, std::min(sizeof buffer, maxBytes - text.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return text;
}

bool CRasPhonebook::WriteFileAtomically(const std::string& path, const std::string& content, unsigned mode)
{
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());  // made with mode 0600
    if (fd < 0)
        return false;
    bool ok = ::fchmod(fd, static_cast<mode_t>(mode)) == 0 && CFdIo::WriteAll(fd, content);
    ok = (::close(fd) == 0) && ok;
    if (ok && ::rename(temp.c_str(), path.c_str()) == 0)
        return true;
    ::unlink(temp.c_str());
    return false;
}

std::optional<RasEntry> CRasPhonebook::ReadEntry(const std::string& entryName) const
{
    if (!Exists(entryName))
        return std::nullopt;
    const auto text = ReadSmallFile(EntryFile(entryName, ".entry"));
    if (!text)
        return std::nullopt;
    auto values = ParseKeyValues(*text);
    RasEntry entry;
    entry.deviceType = CleanValue(values["deviceType"]);
    entry.deviceName = CleanValue(values["deviceName"]);
    entry.phoneNumber = CleanValue(values["phoneNumber"]);
    entry.protocols = ToU32(values["protocols"]);
    entry.framing = ToU32(values["framing"]);
    entry.options = ToU32(values["options"]);
    return entry;
}

bool CRasPhonebook::WriteEntry(const std::string& entryName, const RasEntry& entry) const
{
    const int valid = ValidateName(entryName);
    if ((valid != ras::kSuccess && valid != ras::kAlreadyExists) || !EnsureDirectory())
        return false;
    std::string text;
    text += "deviceType=" + CleanValue(entry.deviceType) + "\n";
    text += "deviceName=" + CleanValue(entry.deviceName) + "\n";
    text += "phoneNumber=" + CleanValue(entry.phoneNumber) + "\n";
    text += "protocols=" + std::to_string(entry.protocols) + "\n";
    text += "framing=" + std::to_string(entry.framing) + "\n";
    text += "options=" + std::to_string(entry.options) + "\n";
    // The group shares the machine-wide phonebook; the account is in its own file.
    return WriteFileAtomically(EntryFile(entryName, ".entry"), text, 0640);
}

std::optional<RasDialParams> CRasPhonebook::ReadDialParams(const std::string& entryName) const
{
    if (!Exists(entryName))
        return std::nullopt;
    RasDialParams params;
    params.entryName = entryName;
    const auto text = ReadSmallFile(EntryFile(entryName, ".dialparams"));
    if (!text)
        return params;  // an entry without a stored account has empty parameters
    auto values = ParseKeyValues(*text);
    params.userName = CleanValue(values["user"]);
    params.password = CleanValue(values["password"]);
    params.domain = CleanValue(values["domain"]);
    return params;
}

bool CRasPhonebook::WriteDialParams(const std::string& entryName, const RasDialParams& params) const
{
    if (!Exists(entryName) || !EnsureDirectory())
        return false;
    std::string text;
    text += "user=" + CleanValue(params.userName) + "\n";
    text += "password=" + CleanValue(params.password) + "\n";
    text += "domain=" + CleanValue(params.domain) + "\n";
    return WriteFileAtomically(EntryFile(entryName, ".dialparams"), text, 0600);
}

}  // namespace brivex
