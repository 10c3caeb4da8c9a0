#pragma once

#include <filesystem>
#include <set>
#include <string>

namespace brivex::sim {

// Builds the sysfs and /dev shape of the modem under a base directory B:
//   B/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2/          the USB device
//   .../1-2/1-2:1.<i>/                                       interfaces 0 (AT/data), 1 (voice), 2 (diagnostic)
//   .../1-2:1.<i>/ttyUSB<n>/                                 the port (driver link, dev)
//   B/sys/bus/usb/devices/, B/sys/bus/usb/drivers/option/    links to the device and interfaces
//   B/sys/bus/usb-serial/drivers/<driver>/ttyUSB<n>          links to the ports
//   B/sys/class/tty/ttyUSB<n>, B/dev/ttyUSB<n>               links to the ports and to the served tty
//   B/var/lib/brivex/, B/run/                                profile and pid directories
// with n = port base + i. Every link is relative, so the tree can be moved and
// realpath stays inside it. Options make the variants that tests of port
// discovery and device setup need.
class CSimDeviceTree {
public:
    static constexpr int kInterfaces = 3;

    struct Options {
        int portBase = 0;
        std::string driver = "option1";  // usb-serial driver directory: option1 or qcserial
        std::string vendorId = "9e3c";
        std::string productId = "6502";
        std::string bcdDevice = "0000";
        std::string serial = "055505200000";
        std::string product = "CORVANA CDMA 1x EV-DO USB Modem";
        std::string manufacturer = "Corvana Devices";
        std::set<int> omitInterfaces;  // interface numbers left out
        bool authorized = true;        // "authorized" of the device and its interfaces
        bool driverBound = true;       // false: no driver links and no ports
    };

    CSimDeviceTree(std::filesystem::path base, Options options);

    // Creates the whole tree (directories that exist are kept). Throws
    // std::filesystem::filesystem_error when the base cannot be written.
    void Build();
    // Removes what an unplug removes: the device directory, its bus and class
    // links, the driver directories' entries and the /dev links.
    void Remove();
    // B/dev/ttyUSB<n> of interface i pointing at target (the served tty).
    void LinkDevice(int iface, const std::string& target);

    const Options& GetOptions() const { return m_options; }
    const std::filesystem::path& Base() const { return m_base; }
    std::filesystem::path SysfsRoot() const { return m_base / "sys"; }
    std::filesystem::path DevDir() const { return m_base / "dev"; }
    std::filesystem::path SysDir() const { return m_base / "var/lib/brivex"; }
    std::filesystem::path RunDir() const { return m_base / "run"; }
    std::filesystem::path DeviceDir() const;
    std::filesystem::path InterfaceDir(int iface) const;
    std::filesystem::path PortDir(int iface) const;
    std::filesystem::path DevicePath(int iface) const;  // B/dev/ttyUSB<n>
    std::string PortName(int iface) const;               // ttyUSB<n>
    bool HasInterface(int iface) const;

    // Writes an attribute file below the base (relative path), for variants
    // the options do not cover.
    void WriteAttribute(const std::filesystem::path& relative, const std::string& value) const;

private:
    static void Attribute(const std::filesystem::path& file, const std::string& value);
    // A relative symbolic link at link pointing at target (both absolute), replacing an old one.
    static void RelativeLink(const std::filesystem::path& target, const std::filesystem::path& link);
    void BuildInterface(int iface);

    std::filesystem::path m_base;
    Options m_options;
};

}  // namespace brivex::sim
