#include "setup/CCdEject.h"

#include "platform/CSysfs.h"
#include "setup/CUlvoApp.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace brivex {

namespace {

constexpr off_t PrimaryDescriptorOffset = 16 * 2048;
constexpr std::size_t LabelOffset = 40;
constexpr std::size_t LabelLength = 32;

std::optional<int> DriveNumber(const std::string& name)
{
    if (name.size() < 3 || name.size() > 6 || name.compare(0, 2, "sr") != 0)
        return std::nullopt;
    if (!std::all_of(name.begin() + 2, name.end(), [](unsigned char c) { return std::isdigit(c) != 0; }))
        return std::nullopt;
    return std::stoi(name.substr(2));
}

}  // namespace

CCdEject::CCdEject(std::string deviceDirectory, OpenDoor openDoor)
    : m_deviceDirectory(std::move(deviceDirectory)), m_openDoor(std::move(openDoor))
{
}

std::vector<std::string> CCdEject::Drives() const
{
    std::vector<std::pair<int, std::string>> found;
    for (const auto& name : CSysfs::List(m_deviceDirectory))
        if (const auto n = DriveNumber(name))
            found.emplace_back(*n, m_deviceDirectory + "/" + name);
    std::sort(found.begin(), found.end());
    std::vector<std::string> drives;
    for (auto& [n, path] : found)
        drives.push_back(std::move(path));
    return drives;
}

std::optional<std::string> CCdEject::VolumeLabel(const std::string& device)
{
    const int fd = ::open(device.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    unsigned char sector[LabelOffset + LabelLength] = {};
    const ssize_t n = ::pread(fd, sector, sizeof sector, PrimaryDescriptorOffset);
    ::close(fd);
    if (n != static_cast<ssize_t>(sizeof sector))
        return std::nullopt;
    if (sector[0] != 1 || std::memcmp(sector + 1, "CD001", 5) != 0)
        return std::nullopt;
    std::string label(reinterpret_cast<const char*>(sector + LabelOffset), LabelLength);
    while (!label.empty() && (label.back() == ' ' || label.back() == '\0'))
        label.pop_back();
    return label;
}

bool CCdEject::EjectDevice(const std::string& device)
{
    const int fd = ::open(device.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::ioctl(fd, CDROMEJECT, 0) == 0;
    ::close(fd);
    return ok;
}

int CCdEject::EjectByLabel(const std::string& label) const
{
    int opened = 0;
    for (const auto& drive : Drives()) {
        const auto volume = VolumeLabel(drive);
        if (!volume || CUlvoApp::UpperCase(*volume) != CUlvoApp::UpperCase(label))
            continue;
        m_openDoor(drive);
        ++opened;
    }
    return opened;
}

}  // namespace brivex
