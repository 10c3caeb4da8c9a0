#include "setup/CLaunchWatcher.h"

#include "platform/CChildProcess.h"
#include "setup/CDeviceMatcher.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <iostream>
#include <sys/file.h>
#include <unistd.h>

namespace brivex {

CLaunchWatcher::CLaunchWatcher(SConfig config) : m_config(std::move(config)) {}

CLaunchWatcher::~CLaunchWatcher()
{
    Stop();
    if (m_lockFd >= 0)
        ::close(m_lockFd);
}

std::string CLaunchWatcher::DefaultLockDirectory()
{
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        return runtime;
    std::error_code ec;
    const auto temp = std::filesystem::temp_directory_path(ec);
    return ec ? std::string("/tmp") : temp.string();
}

std::string CLaunchWatcher::LockPath() const
{
    return m_config.lockDirectory + "/" + m_config.ownName + "_MUTEX";
}

bool CLaunchWatcher::AcquireLock()
{
    if (m_lockFd >= 0)
        return true;
    // Close-on-exec: the main program must not keep the lock alive after the
    // watcher is gone.
    const int fd = ::open(LockPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    m_lockFd = fd;
    return true;
}

void CLaunchWatcher::Start()
{
    if (m_thread.joinable())
        return;
    m_stop.ResetEvent();
    m_thread = std::thread([this] { Loop(); });
}

void CLaunchWatcher::Stop()
{
    m_stop.Set();
    if (m_thread.joinable())
        m_thread.join();
}

int CLaunchWatcher::RunPass()
{
    std::ostream& out = m_config.out ? *m_config.out : std::cout;
    SPassContext context;
    const CDeviceMatcher matcher{CSysfs(m_config.sysfsRoot)};
    const int result = matcher.RunPass(m_config.pattern, context, [&](const SDeviceNode& node, SPassContext& ctx) {
        if (ctx.flags & SPassContext::ReportInstance)
            out << node.instanceId << '\n' << std::flush;
        if (ctx.flags & SPassContext::EvaluateStatus)
            CDeviceStatus::Evaluate(CDeviceStatus::Read(node), m_state);
    });
    if (result != CDeviceMatcher::PassCompleted || context.count == 0)
        m_state.deviceRunning = 0;
    ++m_passes;
    return result;
}

bool CLaunchWatcher::TakeLaunchRequest()
{
    const bool raised = m_state.launchRequest;
    m_state.launchRequest = false;
    return raised;
}

void CLaunchWatcher::Loop()
{
    while (!m_stop.IsSet()) {
        RunPass();
        CChildProcess::ReapEnded(m_children);
        if (m_state.launchRequest) {
            if (m_stop.Wait(m_config.cycle))
                return;
            TakeLaunchRequest();
            LaunchMainProgram();
        }
        if (m_stop.Wait(m_config.cycle))
            return;
    }
}

void CLaunchWatcher::LaunchMainProgram()
{
    const std::string folder = m_config.ownDirectory + "/OVL";
    CChildProcess::SOptions options;
    options.workingDirectory = folder;
    // The result is ignored: a second main program refuses to run by itself.
    const pid_t pid = CChildProcess::Start({folder + "/Brivex"}, options);
    if (pid > 0)
        m_children.push_back(pid);
    ++m_launches;
}

}  // namespace brivex
