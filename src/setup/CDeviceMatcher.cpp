#include "setup/CDeviceMatcher.h"

#include <algorithm>
#include <cctype>

namespace brivex {

CDeviceMatcher::CDeviceMatcher(CSysfs sysfs) : m_sysfs(std::move(sysfs)) {}

bool CDeviceMatcher::EqualsIgnoringCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

bool CDeviceMatcher::Matches(const SDeviceNode& node, const std::string& pattern)
{
    const auto equal = [&](const std::string& id) { return EqualsIgnoringCase(id, pattern); };
    return std::any_of(node.hardwareIds.begin(), node.hardwareIds.end(), equal) ||
           std::any_of(node.compatibleIds.begin(), node.compatibleIds.end(), equal);
}

int CDeviceMatcher::RunPass(const std::string& pattern, SPassContext& context, const Action& action) const
{
    const auto nodes = CUsbInterfaceList::Build(m_sysfs);
    if (!nodes)
        return NoDeviceList;
    for (const auto& node : *nodes) {
        if (!Matches(node, pattern))
            continue;
        if (action)
            action(node, context);
        ++context.count;
    }
    return PassCompleted;
}

}  // namespace brivex
