#pragma once

#include "platform/CEvent.h"
#include "setup/CDeviceStatus.h"

#include <atomic>
#include <chrono>
#include <ostream>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace brivex {

// The resident part of veku: one watcher per own name (an flock on
// "<OWN NAME>_MUTEX"), whose thread runs a device pass every cycle and starts
// OVL/Brivex next to the executable one cycle after the diagnostic interface
// became started.
class CLaunchWatcher {
public:
    struct SConfig {
        std::string ownName;        // upper-cased executable name, names the lock
        std::string ownDirectory;   // where the OVL folder is
        std::string sysfsRoot;
        std::string lockDirectory;  // $XDG_RUNTIME_DIR or the temp directory
        std::chrono::milliseconds cycle{1000};
        std::string pattern = "USB\\VID_9E3C&PID_6502&MI_02";
        std::ostream* out = nullptr;  // instance lines; standard output when null
    };

    explicit CLaunchWatcher(SConfig config);
    ~CLaunchWatcher();
    CLaunchWatcher(const CLaunchWatcher&) = delete;
    CLaunchWatcher& operator=(const CLaunchWatcher&) = delete;

    static std::string DefaultLockDirectory();
    std::string LockPath() const;
    // False when another watcher holds the lock (or it cannot be made).
    bool AcquireLock();

    void Start();
    void Stop();

    // One device pass with the status check; returns the pass result.
    int RunPass();
    // Read it only while the thread is not running.
    const SLaunchState& State() const { return m_state; }
    // Clears the launch request and says whether it was raised.
    bool TakeLaunchRequest();
    int Passes() const { return m_passes.load(); }
    int Launches() const { return m_launches.load(); }

private:
    void Loop();
    void LaunchMainProgram();

    SConfig m_config;
    int m_lockFd = -1;
    SLaunchState m_state;
    std::vector<pid_t> m_children;
    CEvent m_stop{CEvent::Reset::Manual};
    std::thread m_thread;
    std::atomic<int> m_passes{0};
    std::atomic<int> m_launches{0};
};

}  // namespace brivex
