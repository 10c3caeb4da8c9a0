#pragma once

#include "setup/CUsbInterfaceList.h"

#include <optional>

namespace brivex {

// Device-node status in the configuration manager's terms, read from sysfs:
//   read failure        the interface directory is gone, or its `authorized`
//                       attribute is unreadable or neither "0" nor "1"
//   disabled            `authorized` is "0" (DN_HAS_PROBLEM, CM_PROB_DISABLED)
//   problem             no driver bound (DN_HAS_PROBLEM, CM_PROB_FAILED_INSTALL)
//   private problem     the kernel's runtime power management reports "error"
//                       for the interface or its USB device (DN_PRIVATE_PROBLEM);
//                       this can sit beside a bound driver
//   started             a driver is bound (`driver` link resolves) (DN_STARTED)
struct SNodeStatus {
    unsigned flags = 0;
    unsigned problem = 0;
};

// The watcher's two flags, written by the status check on the watcher thread.
struct SLaunchState {
    int deviceRunning = 0;
    bool launchRequest = false;
};

class CDeviceStatus {
public:
    static constexpr unsigned DN_STARTED = 0x8;
    static constexpr unsigned DN_HAS_PROBLEM = 0x400;
    static constexpr unsigned DN_PRIVATE_PROBLEM = 0x8000;
    static constexpr unsigned CM_PROB_DISABLED = 22;
    static constexpr unsigned CM_PROB_FAILED_INSTALL = 28;

    static std::optional<SNodeStatus> Read(const SDeviceNode& node);

    // Updates the memory and the launch request from one node's status. A
    // problem clears the memory before "started" is looked at, so a started
    // node with a problem asks for a launch on every pass.
    static void Evaluate(const std::optional<SNodeStatus>& status, SLaunchState& state);
};

}  // namespace brivex
