#pragma once

#include "setup/CCdEject.h"
#include "setup/CProcessKiller.h"

#include <ctime>
#include <string>

namespace brivex {

// veku: without arguments the resident watcher; with an option a one-shot
// action. Nothing is reported beyond the watcher's instance lines.
class CUlvoApp {
public:
    struct SSelf {
        std::string path;       // the executable, links resolved
        std::string directory;  // up to, not including, the last '/'
        std::string ownName;    // the file name, upper-cased
    };

    // What the one-shot actions touch beyond the environment's paths.
    struct SHooks {
        std::string procRoot = "/proc";
        CProcessKiller::Terminate terminate = CProcessKiller::SendTerminate;
        CCdEject::OpenDoor openDoor = CCdEject::EjectDevice;
    };

    explicit CUlvoApp(SSelf self);
    CUlvoApp(SSelf self, SHooks hooks);

    static SSelf FromExecutable(const std::string& path);
    static SSelf FromProcSelf();  // /proc/self/exe
    // The arguments joined with single blanks, upper-cased.
    static std::string OptionFromArguments(int argc, const char* const* argv);
    static std::string UpperCase(std::string text);

    // Exit status of the run; the watcher returns only when it is ended.
    int Run(const std::string& option, std::time_t now = std::time(nullptr)) const;

private:
    int RunWatcher() const;

    SSelf m_self;
    SHooks m_hooks;
};

}  // namespace brivex
