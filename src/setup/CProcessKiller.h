#pragma once

#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace brivex {

// "-K": ends the first process, in ascending pid order under /proc, whose
// executable file name upper-cased equals the own name. That may be the
// caller itself. A resident watcher ends with status 0 on the signal.
class CProcessKiller {
public:
    using Terminate = std::function<bool(pid_t)>;

    explicit CProcessKiller(std::string procRoot = "/proc", Terminate terminate = SendTerminate);

    // The pid that was sent the request, or nullopt when none matched.
    std::optional<pid_t> TerminateFirst(const std::string& ownName) const;

    std::vector<pid_t> Pids() const;
    // File name of /proc/<pid>/exe, without the " (deleted)" mark of a
    // replaced executable; nullopt for kernel threads or when unreadable.
    std::optional<std::string> ExecutableName(pid_t pid) const;

    static bool SendTerminate(pid_t pid);

private:
    std::string m_procRoot;
    Terminate m_terminate;
};

}  // namespace brivex
