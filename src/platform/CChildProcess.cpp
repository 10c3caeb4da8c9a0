#include "platform/CChildProcess.h"

#include "platform/CFdIo.h"
#include "platform/CSpawnAttributes.h"
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace brivex {

namespace {

// Writes the whole text to the pipe; a child that stops reading early only
// loses the rest of its input.

}  // namespace

pid_t CChildProcess::Start(const std::vector<std::string>& argv, const SOptions& options)
{
    if (argv.empty() || argv[0].empty())
        return -1;
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    int inputPipe[2] = {-1, -1};
    if (options.input && ::pipe2(inputPipe, O_CLOEXEC) != 0)
        return -1;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (options.input)
        posix_spawn_file_actions_adddup2(&actions, inputPipe[0], STDIN_FILENO);
    if (!options.outputFile.empty()) {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, options.outputFile.c_str(),
                                         O_WRONLY | O_CREAT | O_APPEND, 0644);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    }
    if (!options.workingDirectory.empty())
        posix_spawn_file_actions_addchdir_np(&actions, options.workingDirectory.c_str());

    const CSpawnAttributes attr;

    pid_t pid = -1;
    const int rc = options.searchPath ? posix_spawnp(&pid, args[0], &actions, attr.Get(), args.data(), environ)
                                      : posix_spawn(&pid, args[0], &actions, attr.Get(), args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);

    if (options.input) {
        ::close(inputPipe[0]);
        if (rc == 0) {
            // A child that exits without reading must not end this process.
            struct sigaction ignore {}, old {};
            ignore.sa_handler = SIG_IGN;
            sigaction(SIGPIPE, &ignore, &old);
            CFdIo::WriteAll(inputPipe[1], *options.input);
            sigaction(SIGPIPE, &old, nullptr);
        }
        ::close(inputPipe[1]);
    }
    return rc == 0 ? pid : -1;
}

std::optional<int> CChildProcess::Wait(pid_t pid, std::chrono::milliseconds timeout)
{
    if (pid <= 0)
        return std::nullopt;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid)
            return WIFEXITED(status) ? std::optional<int>(WEXITSTATUS(status)) : std::nullopt;
        if (r < 0 && errno != EINTR)
            return std::nullopt;
        if (std::chrono::steady_clock::now() >= deadline)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::optional<int> CChildProcess::Run(const std::vector<std::string>& argv, const SOptions& options,
                                      std::chrono::milliseconds timeout)
{
    return Wait(Start(argv, options), timeout);
}

void CChildProcess::ReapEnded(std::vector<pid_t>& children)
{
    children.erase(std::remove_if(children.begin(), children.end(),
                                  [](pid_t pid) {
                                      int status = 0;
                                      const pid_t r = ::waitpid(pid, &status, WNOHANG);
                                      return r == pid || (r < 0 && errno == ECHILD);
                                  }),
                   children.end());
}

}  // namespace brivex
