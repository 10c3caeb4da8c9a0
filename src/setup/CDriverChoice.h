#pragma once

#include "platform/CKeyStore.h"
#include "platform/CSysfs.h"

#include <string>
#include <vector>

namespace brivex {

// The per-instance driver choice of the modem's USB device ("-R", "-T").
// Each instance of the device key gets the value "Service"; the instances are
// the sub keys already in the store plus every present 9e3c:6502 device (named
// by its serial, or by its sysfs name when it has none), so a device that is
// plugged in always has its record. As root the choice is also applied to the
// kernel at once: "usbccgp" binds the interfaces to the serial driver
// "option", "USBSTOR" to "usb-storage" (new_id for the other's dynamic id
// removed, unbind, bind). Every failure is ignored.
class CDriverChoice {
public:
    static constexpr const char* DeviceKey = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_9e3c&Pid_6502";
    static constexpr const char* Composite = "usbccgp";
    static constexpr const char* MassStorage = "USBSTOR";

    CDriverChoice(CKeyStore store, CSysfs sysfs, bool applyToKernel);

    void Set(const std::string& service) const;

    // Canonical sysfs directories of the present 9e3c:6502 USB devices.
    std::vector<std::string> PresentDevices() const;
    static std::string InstanceName(const std::string& devicePath);

private:
    void ApplyToKernel(const std::string& devicePath, const std::string& service) const;

    CKeyStore m_store;
    CSysfs m_sysfs;
    bool m_applyToKernel;
};

}  // namespace brivex
