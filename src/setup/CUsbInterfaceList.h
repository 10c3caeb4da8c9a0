#pragma once

#include "platform/CSysfs.h"

#include <optional>
#include <string>
#include <vector>

namespace brivex {

// One present USB interface, described the way the device manager of the
// original platform showed it.
struct SDeviceNode {
    std::string interfacePath;              // canonical sysfs directory of the interface
    std::string devicePath;                 // canonical sysfs directory of its USB device
    std::string instanceId;                 // "USB\VID_9E3C&PID_6502&MI_02\1-2:1.2", or "?"
    std::vector<std::string> hardwareIds;   // empty when the attributes could not be read
    std::vector<std::string> compatibleIds; // likewise
};

// The list of present USB interfaces under the sysfs root, in the order of
// bus/usb/devices. Identifiers use upper-case hex digits:
//   hardware   USB\VID_vvvv&PID_pppp&REV_rrrr&MI_ii, USB\VID_vvvv&PID_pppp&MI_ii
//   compatible USB\Class_cc&SubClass_ss&Prot_pp, USB\Class_cc&SubClass_ss, USB\Class_cc
// An attribute that is missing or not the expected number of hex digits
// leaves out the entries that need it.
class CUsbInterfaceList {
public:
    static constexpr std::size_t MaxInstanceIdLength = 200;

    // nullopt when bus/usb/devices cannot be read at all.
    static std::optional<std::vector<SDeviceNode>> Build(const CSysfs& sysfs);
    static std::optional<SDeviceNode> Describe(const std::string& interfacePath);

    // The hex attribute upper-cased when it has exactly `digits` hex digits.
    static std::optional<std::string> ReadHex(const std::string& path, std::size_t digits);
};

}  // namespace brivex
