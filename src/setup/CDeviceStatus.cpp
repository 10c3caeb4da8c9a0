#include "setup/CDeviceStatus.h"

namespace brivex {

namespace {

bool RuntimeError(const std::string& devicePath)
{
    const auto status = CSysfs::ReadAttribute(devicePath + "/power/runtime_status");
    return status && *status == "error";
}

}  // namespace

std::optional<SNodeStatus> CDeviceStatus::Read(const SDeviceNode& node)
{
    if (!CSysfs::IsDirectory(node.interfacePath))
        return std::nullopt;
    const auto authorized = CSysfs::ReadAttribute(node.interfacePath + "/authorized");
    if (!authorized || (*authorized != "0" && *authorized != "1"))
        return std::nullopt;

    SNodeStatus status;
    const auto driver = CSysfs::RealPath(node.interfacePath + "/driver");
    const bool bound = driver && CSysfs::IsDirectory(*driver);
    if (*authorized == "0") {
        status.flags |= DN_HAS_PROBLEM;
        status.problem = CM_PROB_DISABLED;
    } else if (!bound) {
        status.flags |= DN_HAS_PROBLEM;
        status.problem = CM_PROB_FAILED_INSTALL;
    }
    if (bound)
        status.flags |= DN_STARTED;
    if (RuntimeError(node.interfacePath) || RuntimeError(node.devicePath))
        status.flags |= DN_PRIVATE_PROBLEM;
    return status;
}

void CDeviceStatus::Evaluate(const std::optional<SNodeStatus>& status, SLaunchState& state)
{
    if (!status) {
        state.deviceRunning = 0;
        return;
    }
    if ((status->flags & DN_HAS_PROBLEM) && status->problem == CM_PROB_DISABLED) {
        state.deviceRunning = 0;
        return;
    }
    if (status->flags & (DN_HAS_PROBLEM | DN_PRIVATE_PROBLEM))
        state.deviceRunning = 0;
    if (status->flags & DN_STARTED) {
        if (state.deviceRunning == 0) {
            state.deviceRunning = 1;
            state.launchRequest = true;
        }
        return;
    }
    state.deviceRunning = 0;
}

}  // namespace brivex
