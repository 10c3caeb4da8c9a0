#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace brivex {

// One pppd this program started: the process, a reader thread that turns
// its log lines into connection states, and its end. The progress callback
// runs on the reader thread with every new state; the last call carries the
// disconnected state and, when pppd failed, its exit status as the error.
class CPppdSession {
public:
    // state, error (a pppd exit status, 0 for none), extended error (a signal number, errno, or 0)
    using Progress = std::function<void(int state, int error, int extended)>;

    // Starts pppd. On failure returns null with errno in extended.
    static std::shared_ptr<CPppdSession> Start(const std::vector<std::string>& argv, Progress progress,
                                               int& extended);
    ~CPppdSession();
    CPppdSession(const CPppdSession&) = delete;
    CPppdSession& operator=(const CPppdSession&) = delete;

    pid_t Pid() const { return m_pid; }
    int State() const;
    bool Running() const;
    std::string Interface() const;
    // When the link came up; nullopt before.
    std::optional<std::chrono::system_clock::time_point> ConnectedAt() const;
    // The last log lines pppd wrote (at most 64).
    std::vector<std::string> Lines() const;

    // SIGTERM, then waits until pppd has ended; SIGKILL when it has not
    // ended within the time-out. True when it has ended.
    bool Terminate(std::chrono::milliseconds timeout);
    bool WaitEnded(std::chrono::milliseconds timeout) const;

private:
    CPppdSession(pid_t pid, int readFd, Progress progress);
    void Reader();
    void HandleLine(const std::string& line);
    void Finish(int waitStatus);

    const pid_t m_pid;
    const int m_fd;
    Progress m_progress;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_cv;
    int m_state;
    bool m_ended = false;
    std::atomic<bool> m_terminating{false};
    std::string m_interface;
    std::optional<std::chrono::system_clock::time_point> m_connectedAt;
    std::deque<std::string> m_lines;
    std::thread m_reader;
};

}  // namespace brivex
