#include "dialup/CRasDevices.h"

#include "platform/CSysfs.h"
#include "platform/CSystemPaths.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <strings.h>

namespace brivex {

namespace {

// "ttyUSB12" -> 12, anything else -> -1.
int PortNumber(const std::string& name)
{
    static const std::string prefix = "ttyUSB";
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0 || name.size() > prefix.size() + 6)
        return -1;
    for (std::size_t i = prefix.size(); i < name.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(name[i])))
            return -1;
    return std::atoi(name.c_str() + prefix.size());
}

std::string Upper(const std::string& text)
{
    std::string out = text;
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace

std::vector<RasDevice> CRasDevices::Enumerate()
{
    const CSysfs sysfs = CSysfs::FromEnvironment();
    const std::string drivers = sysfs.Path("bus/usb-serial/drivers");
    std::vector<std::pair<int, RasDevice>> found;
    for (const auto& driver : CSysfs::List(drivers)) {
        for (const auto& port : CSysfs::List(drivers + "/" + driver)) {
            const int number = PortNumber(port);
            if (number < 0)
                continue;
            const auto real = CSysfs::RealPath(drivers + "/" + driver + "/" + port);
            if (!real)
                continue;
            const auto iface = sysfs.AncestorWith(*real, "bInterfaceNumber");
            if (!iface || CSysfs::ReadAttribute(*iface + "/bInterfaceNumber").value_or("") != "00")
                continue;
            const auto device = sysfs.AncestorWith(*iface, "idVendor");
            if (!device)
                continue;
            RasDevice d;
            d.type = "modem";
            d.name = CSysfs::ReadAttribute(*device + "/product").value_or("");
            d.tty = CSystemPaths::DevDir() + "/" + port;
            if (!d.name.empty())
                found.emplace_back(number, d);
        }
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<RasDevice> devices;
    for (auto& [number, d] : found) {
        // Two modems of one make get distinct names, as the platform numbers them.
        int same = 0;
        for (const auto& earlier : devices)
            if (earlier.name == d.name || earlier.name.rfind(d.name + " #", 0) == 0)
                ++same;
        if (same > 0)
            d.name += " #" + std::to_string(same + 1);
        devices.push_back(d);
    }
    return devices;
}

int CRasDevices::MatchModemDevices(const std::vector<RasDevice>& devices, std::string& firstName)
{
    int matches = 0;
    for (const auto& d : devices) {
        if (strcasecmp(d.type.c_str(), "MODEM") != 0)
            continue;
        if (d.name.size() > 7 && Upper(d.name).find("CORVANA") != std::string::npos) {
            if (matches == 0)
                firstName = d.name;
            ++matches;
        }
    }
    return matches;
}

std::string CRasDevices::NameOfTty(const std::vector<RasDevice>& devices, const std::string& tty)
{
    for (const auto& d : devices)
        if (d.tty == tty)
            return d.name;
    return {};
}

}  // namespace brivex
