#include "setup/CUlvoApp.h"

#include "platform/CKeyStore.h"
#include "platform/CSystemPaths.h"
#include "setup/CCdEject.h"
#include "setup/CDriverChoice.h"
#include "setup/CLaunchWatcher.h"
#include "setup/CProcessKiller.h"
#include "setup/CScheduler.h"

#include <cctype>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <unistd.h>

namespace brivex {

CUlvoApp::CUlvoApp(SSelf self) : CUlvoApp(std::move(self), SHooks()) {}

CUlvoApp::CUlvoApp(SSelf self, SHooks hooks) : m_self(std::move(self)), m_hooks(std::move(hooks)) {}

std::string CUlvoApp::UpperCase(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

CUlvoApp::SSelf CUlvoApp::FromExecutable(const std::string& path)
{
    SSelf self;
    self.path = path;
    const auto slash = path.rfind('/');
    self.directory = slash == std::string::npos ? std::string(".") : path.substr(0, slash);
    self.ownName = UpperCase(slash == std::string::npos ? path : path.substr(slash + 1));
    return self;
}

CUlvoApp::SSelf CUlvoApp::FromProcSelf()
{
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return FromExecutable(ec ? std::string("veku") : exe.string());
}

std::string CUlvoApp::OptionFromArguments(int argc, const char* const* argv)
{
    std::string option;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            option += ' ';
        option += argv[i];
    }
    return UpperCase(option);
}

int CUlvoApp::Run(const std::string& option, std::time_t now) const
{
    if (option.empty())
        return RunWatcher();
    if (option == "-R" || option == "-T") {
        const CDriverChoice choice(CKeyStore::FromEnvironment(), CSysfs::FromEnvironment(), ::geteuid() == 0);
        choice.Set(option == "-R" ? CDriverChoice::Composite : CDriverChoice::MassStorage);
    } else if (option == "-D") {
        CScheduler::Schedule(now, m_self.path);
    } else if (option == "-K") {
        CProcessKiller(m_hooks.procRoot, m_hooks.terminate).TerminateFirst(m_self.ownName);
    } else if (option.compare(0, 3, "-E ") == 0) {
        CCdEject(CSystemPaths::DevDir(), m_hooks.openDoor).EjectByLabel(option.substr(3));
    }
    return 0;
}

int CUlvoApp::RunWatcher() const
{
    CLaunchWatcher::SConfig config;
    config.ownName = m_self.ownName;
    config.ownDirectory = m_self.directory;
    config.sysfsRoot = CSystemPaths::SysfsRoot();
    config.lockDirectory = CLaunchWatcher::DefaultLockDirectory();
    CLaunchWatcher watcher(config);
    if (!watcher.AcquireLock())
        return 0;

    // The main thread only keeps the process alive; a termination request
    // (from "-K" or anyone else) ends the watcher with status 0.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    watcher.Start();
    const timespec step{1, 0};
    while (sigtimedwait(&stop, nullptr, &step) != SIGTERM) {
    }
    watcher.Stop();
    return 0;
}

}  // namespace brivex
