#include "setup/CDriverChoice.h"

#include "setup/CUsbInterfaceList.h"

#include <filesystem>

namespace brivex {

namespace {

constexpr const char* DeviceIds = "9e3c 6502";

bool IsUsableName(const std::string& name)
{
    if (name.empty() || name.size() > 128 || name == "." || name == "..")
        return false;
    for (unsigned char c : name)
        if (c < 0x21 || c == 0x7f || c == '/' || c == '\\')
            return false;
    return true;
}

}  // namespace

CDriverChoice::CDriverChoice(CKeyStore store, CSysfs sysfs, bool applyToKernel)
    : m_store(std::move(store)), m_sysfs(std::move(sysfs)), m_applyToKernel(applyToKernel)
{
}

std::vector<std::string> CDriverChoice::PresentDevices() const
{
    std::vector<std::string> devices;
    const std::string dir = m_sysfs.Path("bus/usb/devices");
    for (const auto& name : CSysfs::List(dir)) {
        if (name.find(':') != std::string::npos)
            continue;
        const auto real = CSysfs::RealPath(dir + "/" + name);
        if (!real)
            continue;
        if (CUsbInterfaceList::ReadHex(*real + "/idVendor", 4) == "9E3C" &&
            CUsbInterfaceList::ReadHex(*real + "/idProduct", 4) == "6502")
            devices.push_back(*real);
    }
    return devices;
}

std::string CDriverChoice::InstanceName(const std::string& devicePath)
{
    const auto serial = CSysfs::ReadAttribute(devicePath + "/serial");
    if (serial && IsUsableName(*serial))
        return *serial;
    return std::filesystem::path(devicePath).filename().string();
}

void CDriverChoice::Set(const std::string& service) const
{
    const auto devices = PresentDevices();
    for (const auto& device : devices)
        m_store.CreateKey(std::string(DeviceKey) + "\\" + InstanceName(device));
    if (!m_store.KeyExists(DeviceKey))
        return;
    for (const auto& instance : m_store.SubKeys(DeviceKey))
        m_store.WriteValue(std::string(DeviceKey) + "\\" + instance, "Service", service);
    if (!m_applyToKernel)
        return;
    for (const auto& device : devices)
        ApplyToKernel(device, service);
}

void CDriverChoice::ApplyToKernel(const std::string& devicePath, const std::string& service) const
{
    const bool storage = service == MassStorage;
    const std::string target = m_sysfs.Path(std::string("bus/usb/drivers/") + (storage ? "usb-storage" : "option"));
    const std::string other = m_sysfs.Path(std::string("bus/usb/drivers/") + (storage ? "option" : "usb-storage"));
    if (CSysfs::IsDirectory(other))
        CSysfs::WriteAttribute(other + "/remove_id", DeviceIds);
    if (CSysfs::IsDirectory(target))
        CSysfs::WriteAttribute(target + "/new_id", DeviceIds);

    const auto targetReal = CSysfs::RealPath(target);
    for (const auto& name : CSysfs::List(devicePath)) {
        const std::string iface = devicePath + "/" + name;
        if (!CSysfs::Exists(iface + "/bInterfaceNumber"))
            continue;
        const auto bound = CSysfs::RealPath(iface + "/driver");
        if (bound && targetReal && *bound == *targetReal)
            continue;
        if (bound)
            CSysfs::WriteAttribute(*bound + "/unbind", name);
        if (targetReal)
            CSysfs::WriteAttribute(*targetReal + "/bind", name);
    }
}

}  // namespace brivex
