#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace brivex {

// Starting helper programs (the main program, `at`, `systemctl`). The child
// gets the default signal mask and default dispositions, so a parent that
// blocks or ignores signals for its own use never passes that on.
class CChildProcess {
public:
    struct SOptions {
        std::string workingDirectory;        // empty: the caller's
        bool searchPath = false;             // look argv[0] up on PATH
        std::optional<std::string> input;    // text written to the child's stdin
        std::string outputFile;              // stdout and stderr appended there when set
    };

    // The child's pid, or -1 when it could not be started.
    static pid_t Start(const std::vector<std::string>& argv, const SOptions& options);
    // Waits at most the time-out for the child; its exit status, or nullopt
    // when it did not end in time (it is left running) or ended by a signal.
    static std::optional<int> Wait(pid_t pid, std::chrono::milliseconds timeout);
    // Starts, waits, and returns the exit status (nullopt on any failure).
    static std::optional<int> Run(const std::vector<std::string>& argv, const SOptions& options,
                                  std::chrono::milliseconds timeout);
    // Collects the children in the list that have ended and drops them from it.
    static void ReapEnded(std::vector<pid_t>& children);
};

}  // namespace brivex
