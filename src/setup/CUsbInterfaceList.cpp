#include "setup/CUsbInterfaceList.h"

#include <cctype>
#include <filesystem>

namespace brivex {

namespace {

std::string ParentOf(const std::string& path)
{
    return std::filesystem::path(path).parent_path().string();
}

std::string BaseName(const std::string& path)
{
    return std::filesystem::path(path).filename().string();
}

// Instance identifiers go to standard output one a line, so a name with
// control characters must not be able to split or fake a line.
bool IsPrintable(const std::string& text)
{
    for (unsigned char c : text)
        if (c < 0x20 || c == 0x7f)
            return false;
    return true;
}

}  // namespace

std::optional<std::string> CUsbInterfaceList::ReadHex(const std::string& path, std::size_t digits)
{
    auto value = CSysfs::ReadAttribute(path);
    if (!value || value->size() != digits)
        return std::nullopt;
    for (char& c : *value) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return value;
}

std::optional<SDeviceNode> CUsbInterfaceList::Describe(const std::string& interfacePath)
{
    if (!CSysfs::Exists(interfacePath + "/bInterfaceNumber"))
        return std::nullopt;
    SDeviceNode node;
    node.interfacePath = interfacePath;
    node.devicePath = ParentOf(interfacePath);

    const auto vid = ReadHex(node.devicePath + "/idVendor", 4);
    const auto pid = ReadHex(node.devicePath + "/idProduct", 4);
    const auto rev = ReadHex(node.devicePath + "/bcdDevice", 4);
    const auto mi = ReadHex(interfacePath + "/bInterfaceNumber", 2);
    if (vid && pid && mi) {
        const std::string base = "USB\\VID_" + *vid + "&PID_" + *pid;
        if (rev)
            node.hardwareIds.push_back(base + "&REV_" + *rev + "&MI_" + *mi);
        node.hardwareIds.push_back(base + "&MI_" + *mi);
        const std::string id = base + "&MI_" + *mi + "\\" + BaseName(interfacePath);
        node.instanceId = (id.size() <= MaxInstanceIdLength && IsPrintable(id)) ? id : "?";
    } else {
        node.instanceId = "?";
    }

    const auto cls = ReadHex(interfacePath + "/bInterfaceClass", 2);
    const auto sub = ReadHex(interfacePath + "/bInterfaceSubClass", 2);
    const auto prot = ReadHex(interfacePath + "/bInterfaceProtocol", 2);
    if (cls) {
        const std::string base = "USB\\Class_" + *cls;
        if (sub && prot)
            node.compatibleIds.push_back(base + "&SubClass_" + *sub + "&Prot_" + *prot);
        if (sub)
            node.compatibleIds.push_back(base + "&SubClass_" + *sub);
        node.compatibleIds.push_back(base);
    }
    return node;
}

std::optional<std::vector<SDeviceNode>> CUsbInterfaceList::Build(const CSysfs& sysfs)
{
    const std::string devices = sysfs.Path("bus/usb/devices");
    if (!CSysfs::IsDirectory(devices))
        return std::nullopt;
    std::vector<SDeviceNode> nodes;
    for (const auto& name : CSysfs::List(devices)) {
        // Interfaces are named <bus>-<port path>:<config>.<interface>.
        if (name.find(':') == std::string::npos)
            continue;
        const auto real = CSysfs::RealPath(devices + "/" + name);
        if (!real || !CSysfs::IsDirectory(*real))
            continue;
        if (auto node = Describe(*real))
            nodes.push_back(std::move(*node));
    }
    return nodes;
}

}  // namespace brivex
