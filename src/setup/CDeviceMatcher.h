#pragma once

#include "setup/CUsbInterfaceList.h"

#include <functional>
#include <string>

namespace brivex {

// What a pass does for each matching device, and how many matched.
struct SPassContext {
    static constexpr unsigned ReportInstance = 0x1;
    static constexpr unsigned EvaluateStatus = 0x2;

    unsigned flags = ReportInstance | EvaluateStatus;
    int count = 0;
};

// One pass over the present devices: every device whose hardware or
// compatible identifier list holds an entry equal to the pattern (ignoring
// case, whole entries only) gets the per-device action.
class CDeviceMatcher {
public:
    static constexpr int PassCompleted = 0;
    static constexpr int NoDeviceList = 2;

    using Action = std::function<void(const SDeviceNode&, SPassContext&)>;

    explicit CDeviceMatcher(CSysfs sysfs);

    int RunPass(const std::string& pattern, SPassContext& context, const Action& action) const;

    static bool Matches(const SDeviceNode& node, const std::string& pattern);
    static bool EqualsIgnoringCase(const std::string& a, const std::string& b);

private:
    CSysfs m_sysfs;
};

}  // namespace brivex
