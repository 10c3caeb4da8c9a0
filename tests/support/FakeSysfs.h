#pragma once

#include <string>

#include "support/TempDir.h"

namespace brivex::test {

// A minimal sysfs-shaped tree for tests of port discovery: USB devices with
// interfaces and ttyUSB ports, linked from a usb-serial driver directory the
// way the kernel links them (relative links, so real paths stay inside).
class FakeSysfs {
public:
    FakeSysfs();

    std::string root() const { return (m_dir / "sys").string(); }

    // Adds ttyUSB<tty> on interface <interfaceNumber> of the USB device
    // <device> (made on first use with the ids), listed in the driver
    // directory (option1 or qcserial).
    void addPort(const std::string& driver, int tty, const std::string& device, const std::string& vid,
                 const std::string& pid, int interfaceNumber);
    // An empty driver directory (the driver is loaded but serves nothing).
    void addDriver(const std::string& driver);
    // Removes one attribute file of a device or interface ("1-2/idProduct").
    void removeAttribute(const std::string& relative);
    // A dangling entry in a driver directory.
    void addDanglingPort(const std::string& driver, int tty);

private:
    std::string deviceDir(const std::string& device) const;
    TempDir m_dir;
};

}  // namespace brivex::test
