#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brivex {

// The small registry reader of port discovery, over the device tree. It
// answers the two kinds of key the discovery reads:
//   "SYSTEM\CurrentControlSet\Services\<service>\Enum": "Count" is the number
//   of ttyUSB<n> ports the service's usb-serial driver serves, value "i" the
//   instance path of the i-th port in ascending n;
//   "SYSTEM\CurrentControlSet\Enum\<instance>\Device Parameters": "PortName"
//   is "COM<n+1>" of the port with that instance path.
// Service "qvusbser" is the driver directory option1, "qvusbser6501" is
// qcserial. Every read opens the tree afresh; nothing is cached.
class CReg {
public:
    enum class Root { LocalMachine };

    struct Port {
        int number = -1;          // n of ttyUSB<n>
        std::string instance;     // USB\VID_vvvv&PID_pppp&MI_ii\<interface>
    };

    CReg() = default;
    CReg(Root root, std::string path) { SetKey(root, std::move(path)); }

    void SetKey(Root root, std::string path);
    std::uint32_t ReadDword(const std::string& name, std::uint32_t def) const;
    bool ReadString(const std::string& name, std::string& out) const;
    std::string ReadString(const std::string& name, const std::string& def) const;

    // The ports a usb-serial driver directory lists, in ascending n; nullopt
    // when the directory is missing (the key does not exist).
    static std::optional<std::vector<Port>> DriverPorts(const std::string& driverDirectory);
    // The instance path of a port's sysfs entry, empty when its parents lack
    // the interface number or the vendor and product ids.
    static std::string InstancePath(const std::string& portEntry);
    // The usb-serial driver directory of a service name, empty when unknown.
    static std::string DriverDirectory(const std::string& service);

private:
    std::string m_path;
};

}  // namespace brivex
