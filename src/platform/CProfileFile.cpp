#include "platform/CProfileFile.h"

#include "platform/CFdIo.h"
// Profile files are 8-bit text: no character conversion.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brivex {

namespace {

constexpr mode_t kProfileMode = 0660;  // the file holds the dial-up password and the PIN

class FileLock {
public:
    explicit FileLock(const std::string& path)
    {
        m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, kProfileMode);
        if (m_fd >= 0 && ::flock(m_fd, LOCK_EX) != 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~FileLock()
    {
        if (m_fd >= 0) {
            ::flock(m_fd, LOCK_UN);
            ::close(m_fd);
        }
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool Held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

std::string LockPathFor(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return "." + path + ".lock";
    return path.substr(0, slash + 1) + "." + path.substr(slash + 1) + ".lock";
}

}  // namespace

CProfileFile::CProfileFile(std::string path) : m_path(std::move(path)) {}

bool CProfileFile::ReadValue(std::string_view section, std::string_view key, std::string& value) const
{
    CSimpleIniA ini(false, false, false);
    if (ini.LoadFile(m_path.c_str()) < 0)
        return false;
    const char* found = ini.GetValue(std::string(section).c_str(), std::string(key).c_str(), nullptr);
    if (!found)
        return false;
    value = found;
    return true;
}

std::string CProfileFile::ReadString(std::string_view section, std::string_view key, std::string_view def,
                                     std::size_t bufferSize) const
{
    std::string value;
    if (!ReadValue(section, key, value))
        value = def;
    const std::size_t room = bufferSize > 0 ? bufferSize - 1 : 0;
    if (value.size() > room)
        value.resize(room);
    return value;
}

int CProfileFile::ReadInt(std::string_view section, std::string_view key, int def) const
{
    std::string value;
    if (!ReadValue(section, key, value))
        return def;
    return LeadingInt(value);
}

int CProfileFile::LeadingInt(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;  // saturate instead of overflowing
    }
    if (negative)
        return value > INT_MAX ? INT_MIN : -static_cast<int>(value);
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

bool CProfileFile::WriteString(std::string_view section, std::string_view key, std::string_view value) const
{
    FileLock lock(LockPathFor(m_path));
    if (!lock.Held())
        return false;

    CSimpleIniA ini(false, false, false);
    ini.SetSpaces(false);
    if (ini.LoadFile(m_path.c_str()) < 0) {
        // An existing file we cannot read must not be replaced by one holding a single key.
        struct stat st {};
        if (::stat(m_path.c_str(), &st) == 0)
            return false;
    }
    const std::string sectionText(section), keyText(key), valueText(value);
    if (ini.SetValue(sectionText.c_str(), keyText.c_str(), valueText.c_str()) < 0)
        return false;

    std::string data;
    if (ini.Save(data) < 0)
        return false;

    std::string tmp = m_path + ".XXXXXX";
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0)
        return false;
    struct stat old {};
    const mode_t mode = ::stat(m_path.c_str(), &old) == 0 ? (old.st_mode & 07777) : kProfileMode;
    bool ok = ::fchmod(fd, mode) == 0 && CFdIo::WriteAll(fd, data) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok)
        ok = ::rename(tmp.c_str(), m_path.c_str()) == 0;
    if (!ok)
        ::unlink(tmp.c_str());
    return ok;
}

}  // namespace brivex
