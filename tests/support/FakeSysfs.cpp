#include "support/FakeSysfs.h"

#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

namespace brivex::test {

namespace {
const std::string kDevices = "sys/devices/pci0000:00/0000:00:14.0/usb1/";
}

FakeSysfs::FakeSysfs() { fs::create_directories(m_dir / "sys/bus/usb-serial/drivers"); }

std::string FakeSysfs::deviceDir(const std::string& device) const { return kDevices + device; }

void FakeSysfs::addDriver(const std::string& driver)
{
    fs::create_directories(m_dir / "sys/bus/usb-serial/drivers" / driver);
}

void FakeSysfs::addPort(const std::string& driver, int tty, const std::string& device, const std::string& vid,
                        const std::string& pid, int interfaceNumber)
{
    const std::string dev = deviceDir(device);
    if (!fs::exists(m_dir / dev / "idVendor")) {
        m_dir.write(dev + "/idVendor", vid + "\n");
        m_dir.write(dev + "/idProduct", pid + "\n");
        m_dir.write(dev + "/serial", "055505200000\n");
    }
    const std::string iface = device + ":1." + std::to_string(interfaceNumber);
    char number[8];
    std::snprintf(number, sizeof number, "%02x\n", interfaceNumber);
    m_dir.write(dev + "/" + iface + "/bInterfaceNumber", number);
    const std::string port = "ttyUSB" + std::to_string(tty);
    fs::create_directories(m_dir / dev / iface / port);
    addDriver(driver);
    // From sys/bus/usb-serial/drivers/<driver>/ back up to sys/.
    fs::create_symlink("../../../../" + dev.substr(4) + "/" + iface + "/" + port,
                       m_dir / "sys/bus/usb-serial/drivers" / driver / port);
}

void FakeSysfs::addDanglingPort(const std::string& driver, int tty)
{
    addDriver(driver);
    fs::create_symlink("../../../../devices/nowhere/ttyUSB" + std::to_string(tty),
                       m_dir / "sys/bus/usb-serial/drivers" / driver / ("ttyUSB" + std::to_string(tty)));
}

void FakeSysfs::removeAttribute(const std::string& relative) { fs::remove(m_dir / kDevices / relative); }

}  // namespace brivex::test
