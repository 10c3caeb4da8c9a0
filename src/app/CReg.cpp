#include "app/CReg.h"

#include "platform/CSysfs.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace brivex {

namespace {

const std::string kServicesPrefix = "SYSTEM\\CurrentControlSet\\Services\\";
const std::string kEnumPrefix = "SYSTEM\\CurrentControlSet\\Enum\\";
const std::string kEnumSuffix = "\\Device Parameters";

std::string Upper(std::string s)
{
    for (auto& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool EqualsNoCase(const std::string& a, const std::string& b) { return Upper(a) == Upper(b); }

bool StartsWithNoCase(const std::string& s, const std::string& prefix)
{
    return s.size() >= prefix.size() && EqualsNoCase(s.substr(0, prefix.size()), prefix);
}

// "ttyUSB12" -> 12; -1 for anything else.
int TtyNumber(const std::string& name)
{
    static const std::string prefix = "ttyUSB";
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0 || name.size() > prefix.size() + 6)
        return -1;
    int n = 0;
    for (std::size_t i = prefix.size(); i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i])))
            return -1;
        n = n * 10 + (name[i] - '0');
    }
    return n;
}

std::string HexUpper(const std::string& value, std::size_t width)
{
    std::string s = Upper(value);
    if (s.size() < width)
        s.insert(0, width - s.size(), '0');
    return s;
}

// The service of an "...\Services\<service>\Enum" key, empty for other keys.
std::string ServiceOfKey(const std::string& path)
{
    if (!StartsWithNoCase(path, kServicesPrefix))
        return {};
    std::string rest = path.substr(kServicesPrefix.size());
    const auto slash = rest.find('\\');
    if (slash == std::string::npos || !EqualsNoCase(rest.substr(slash + 1), "Enum"))
        return {};
    return rest.substr(0, slash);
}

// The instance of an "...\Enum\<instance>\Device Parameters" key, empty otherwise.
std::string InstanceOfKey(const std::string& path)
{
    if (!StartsWithNoCase(path, kEnumPrefix) || path.size() <= kEnumPrefix.size() + kEnumSuffix.size())
        return {};
    if (!EqualsNoCase(path.substr(path.size() - kEnumSuffix.size()), kEnumSuffix))
        return {};
    return path.substr(kEnumPrefix.size(), path.size() - kEnumPrefix.size() - kEnumSuffix.size());
}

}  // namespace

void CReg::SetKey(Root, std::string path) { m_path = std::move(path); }

std::string CReg::DriverDirectory(const std::string& service)
{
    const CSysfs sysfs = CSysfs::FromEnvironment();
    if (EqualsNoCase(service, "qvusbser"))
        return sysfs.Path("bus/usb-serial/drivers/option1");
    if (EqualsNoCase(service, "qvusbser6501"))
        return sysfs.Path("bus/usb-serial/drivers/qcserial");
    return {};
}

std::string CReg::InstancePath(const std::string& portEntry)
{
    const CSysfs sysfs = CSysfs::FromEnvironment();
    const auto real = CSysfs::RealPath(portEntry);
    if (!real)
        return {};
    const auto interfaceDir = sysfs.AncestorWith(*real, "bInterfaceNumber");
    if (!interfaceDir)
        return {};
    const auto deviceDir = sysfs.AncestorWith(*interfaceDir, "idVendor");
    if (!deviceDir)
        return {};
    const auto mi = CSysfs::ReadAttribute(*interfaceDir + "/bInterfaceNumber");
    const auto vid = CSysfs::ReadAttribute(*deviceDir + "/idVendor");
    const auto pid = CSysfs::ReadAttribute(*deviceDir + "/idProduct");
    if (!mi || !vid || !pid || mi->empty() || vid->empty() || pid->empty())
        return {};
    const std::string name = interfaceDir->substr(interfaceDir->find_last_of('/') + 1);
    return "USB\\VID_" + HexUpper(*vid, 4) + "&PID_" + HexUpper(*pid, 4) + "&MI_" + HexUpper(*mi, 2) + "\\" + name;
}

std::optional<std::vector<CReg::Port>> CReg::DriverPorts(const std::string& driverDirectory)
{
    if (driverDirectory.empty() || !CSysfs::IsDirectory(driverDirectory))
        return std::nullopt;
    std::vector<Port> ports;
    for (const auto& name : CSysfs::List(driverDirectory)) {
        const int n = TtyNumber(name);
        if (n < 0)
            continue;
        ports.push_back({n, InstancePath(driverDirectory + "/" + name)});
    }
    std::sort(ports.begin(), ports.end(), [](const Port& a, const Port& b) { return a.number < b.number; });
    return ports;
}

std::uint32_t CReg::ReadDword(const std::string& name, std::uint32_t def) const
{
    const std::string service = ServiceOfKey(m_path);
    if (service.empty() || !EqualsNoCase(name, "Count"))
        return def;
    const auto ports = DriverPorts(DriverDirectory(service));
    if (!ports)
        return def;
    return static_cast<std::uint32_t>(ports->size());
}

bool CReg::ReadString(const std::string& name, std::string& out) const
{
    const std::string service = ServiceOfKey(m_path);
    if (!service.empty()) {
        if (name.empty() || name.size() > 6 || !std::all_of(name.begin(), name.end(), ::isdigit))
            return false;
        const auto ports = DriverPorts(DriverDirectory(service));
        const std::size_t index = static_cast<std::size_t>(std::atoi(name.c_str()));
        if (!ports || index >= ports->size() || (*ports)[index].instance.empty())
            return false;
        out = (*ports)[index].instance;
        return true;
    }
    const std::string instance = InstanceOfKey(m_path);
    if (instance.empty() || !EqualsNoCase(name, "PortName"))
        return false;
    for (const char* svc : {"qvusbser", "qvusbser6501"}) {
        const auto ports = DriverPorts(DriverDirectory(svc));
        if (!ports)
            continue;
        for (const auto& port : *ports) {
            if (!port.instance.empty() && EqualsNoCase(port.instance, instance)) {
                out = "COM" + std::to_string(port.number + 1);
                return true;
            }
        }
    }
    return false;
}

std::string CReg::ReadString(const std::string& name, const std::string& def) const
{
    std::string out;
    return ReadString(name, out) ? out : def;
}

}  // namespace brivex
