#include "CSimDeviceTree.h"

#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace brivex::sim {

namespace {

const char* const kDevicePath = "sys/devices/pci0000:00/0000:00:14.0/usb1/1-2";
const char* const kDeviceName = "1-2";
const char* const kUsbDriver = "option";
constexpr int kUsbSerialMajor = 188;

std::string InterfaceName(int iface)
{
    return std::string(kDeviceName) + ":1." + std::to_string(iface);
}

void RemoveQuietly(const fs::path& path)
{
    std::error_code ec;
    fs::remove_all(path, ec);
}

}  // namespace

CSimDeviceTree::CSimDeviceTree(fs::path base, Options options)
    : m_base(fs::absolute(std::move(base)).lexically_normal()), m_options(std::move(options))
{
}

fs::path CSimDeviceTree::DeviceDir() const
{
    return m_base / kDevicePath;
}

fs::path CSimDeviceTree::InterfaceDir(int iface) const
{
    return DeviceDir() / InterfaceName(iface);
}

std::string CSimDeviceTree::PortName(int iface) const
{
    return "ttyUSB" + std::to_string(m_options.portBase + iface);
}

fs::path CSimDeviceTree::PortDir(int iface) const
{
    return InterfaceDir(iface) / PortName(iface);
}

fs::path CSimDeviceTree::DevicePath(int iface) const
{
    return DevDir() / PortName(iface);
}

bool CSimDeviceTree::HasInterface(int iface) const
{
    return iface >= 0 && iface < kInterfaces && m_options.omitInterfaces.count(iface) == 0;
}

void CSimDeviceTree::Attribute(const fs::path& file, const std::string& value)
{
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::trunc);
    out << value << "\n";
}

void CSimDeviceTree::WriteAttribute(const fs::path& relative, const std::string& value) const
{
    Attribute(m_base / relative, value);
}

void CSimDeviceTree::RelativeLink(const fs::path& target, const fs::path& link)
{
    fs::create_directories(link.parent_path());
    std::error_code ec;
    fs::remove(link, ec);
    fs::create_symlink(target.lexically_relative(link.parent_path()), link);
}

void CSimDeviceTree::Build()
{
    const fs::path sys = SysfsRoot();
    for (const fs::path& dir : {sys / "bus/usb/devices", sys / "bus/usb/drivers" / kUsbDriver,
                                sys / "bus/usb-serial/drivers" / m_options.driver, sys / "class/tty", DevDir(),
                                SysDir(), RunDir()})
        fs::create_directories(dir);

    const fs::path device = DeviceDir();
    const std::string authorized = m_options.authorized ? "1" : "0";
    Attribute(device / "idVendor", m_options.vendorId);
    Attribute(device / "idProduct", m_options.productId);
    Attribute(device / "bcdDevice", m_options.bcdDevice);
    Attribute(device / "serial", m_options.serial);
    Attribute(device / "product", m_options.product);
    Attribute(device / "manufacturer", m_options.manufacturer);
    Attribute(device / "authorized", authorized);
    Attribute(device / "bDeviceClass", "00");
    Attribute(device / "busnum", "1");
    Attribute(device / "devnum", "2");
    RelativeLink(device, sys / "bus/usb/devices" / kDeviceName);

    for (int iface = 0; iface < kInterfaces; ++iface)
        if (HasInterface(iface))
            BuildInterface(iface);
}

void CSimDeviceTree::BuildInterface(int iface)
{
    const fs::path sys = SysfsRoot();
    const fs::path dir = InterfaceDir(iface);
    const std::string name = InterfaceName(iface);
    Attribute(dir / "bInterfaceNumber", "0" + std::to_string(iface));
    Attribute(dir / "bInterfaceClass", "ff");
    Attribute(dir / "bInterfaceSubClass", "ff");
    Attribute(dir / "bInterfaceProtocol", "ff");
    Attribute(dir / "authorized", m_options.authorized ? "1" : "0");
    RelativeLink(dir, sys / "bus/usb/devices" / name);
    if (!m_options.driverBound)
        return;

    const fs::path usbDriver = sys / "bus/usb/drivers" / kUsbDriver;
    RelativeLink(usbDriver, dir / "driver");
    RelativeLink(dir, usbDriver / name);

    const fs::path port = PortDir(iface);
    const fs::path serialDriver = sys / "bus/usb-serial/drivers" / m_options.driver;
    const int n = m_options.portBase + iface;
    fs::create_directories(port);
    RelativeLink(serialDriver, port / "driver");
    Attribute(port / "dev", std::to_string(kUsbSerialMajor) + ":" + std::to_string(n));
    RelativeLink(port, serialDriver / PortName(iface));
    RelativeLink(port, sys / "class/tty" / PortName(iface));
}

void CSimDeviceTree::LinkDevice(int iface, const std::string& target)
{
    const fs::path link = DevicePath(iface);
    fs::create_directories(link.parent_path());
    std::error_code ec;
    fs::remove(link, ec);
    fs::create_symlink(target, link);
}

void CSimDeviceTree::Remove()
{
    const fs::path sys = SysfsRoot();
    for (int iface = 0; iface < kInterfaces; ++iface) {
        const std::string port = PortName(iface);
        RemoveQuietly(sys / "bus/usb-serial/drivers" / m_options.driver / port);
        RemoveQuietly(sys / "class/tty" / port);
        RemoveQuietly(DevicePath(iface));
        RemoveQuietly(sys / "bus/usb/drivers" / kUsbDriver / InterfaceName(iface));
        RemoveQuietly(sys / "bus/usb/devices" / InterfaceName(iface));
    }
    RemoveQuietly(sys / "bus/usb/devices" / kDeviceName);
    RemoveQuietly(DeviceDir());
}

}  // namespace brivex::sim
