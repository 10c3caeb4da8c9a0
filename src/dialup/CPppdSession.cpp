#include "dialup/CPppdSession.h"

#include "platform/CSpawnAttributes.h"

#include "app/CDebugViews.h"
#include "dialup/CPppdProgress.h"
#include "dialup/RasTypes.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace brivex {

namespace {
constexpr std::size_t kMaxLine = 512;
constexpr std::size_t kKeptLines = 64;
}  // namespace

std::shared_ptr<CPppdSession> CPppdSession::Start(const std::vector<std::string>& argv, Progress progress,
                                                  int& extended)
{
    extended = 0;
    if (argv.empty() || argv[0].empty()) {
        extended = EINVAL;
        return nullptr;
    }
    int out[2] = {-1, -1};
    if (::pipe2(out, O_CLOEXEC) != 0) {
        extended = errno;
        return nullptr;
    }
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);
    const CSpawnAttributes attr;
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, args[0], &actions, attr.Get(), args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (rc != 0) {
        ::close(out[0]);
        extended = rc;
        return nullptr;
    }
    ::fcntl(out[0], F_SETFL, ::fcntl(out[0], F_GETFL) | O_NONBLOCK);
    std::shared_ptr<CPppdSession> session(new CPppdSession(pid, out[0], std::move(progress)));
    session->m_reader = std::thread([s = session.get()] { s->Reader(); });
    return session;
}

CPppdSession::CPppdSession(pid_t pid, int readFd, Progress progress)
    : m_pid(pid), m_fd(readFd), m_progress(std::move(progress)), m_state(ras::kOpenPort)
{
}

CPppdSession::~CPppdSession()
{
    if (Running())
        Terminate(std::chrono::seconds(5));
    if (m_reader.joinable())
        m_reader.join();
    ::close(m_fd);
}

int CPppdSession::State() const
{
    std::lock_guard lock(m_mutex);
    return m_state;
}

bool CPppdSession::Running() const
{
    std::lock_guard lock(m_mutex);
    return !m_ended;
}

std::string CPppdSession::Interface() const
{
    std::lock_guard lock(m_mutex);
    return m_interface;
}

std::optional<std::chrono::system_clock::time_point> CPppdSession::ConnectedAt() const
{
    std::lock_guard lock(m_mutex);
    return m_connectedAt;
}

std::vector<std::string> CPppdSession::Lines() const
{
    std::lock_guard lock(m_mutex);
    return {m_lines.begin(), m_lines.end()};
}

bool CPppdSession::WaitEnded(std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_mutex);
    return m_cv.wait_for(lock, timeout, [this] { return m_ended; });
}

bool CPppdSession::Terminate(std::chrono::milliseconds timeout)
{
    if (!Running())
        return true;
    m_terminating = true;
    ::kill(m_pid, SIGTERM);
    if (WaitEnded(timeout))
        return true;
    BX_LOG(LEVEL_RAS, "pppd %d did not end on SIGTERM, killing it\n", static_cast<int>(m_pid));
    ::kill(m_pid, SIGKILL);
    return WaitEnded(std::chrono::seconds(3));
}

void CPppdSession::HandleLine(const std::string& line)
{
    BX_LOG(LEVEL_RAS, "pppd: %s\n", line.c_str());
    std::optional<int> next;
    {
        std::lock_guard lock(m_mutex);
        m_lines.push_back(line);
        if (m_lines.size() > kKeptLines)
            m_lines.pop_front();
        if (auto name = CPppdProgress::InterfaceOfLine(line))
            m_interface = *name;
        next = CPppdProgress::StateOfLine(line, m_state);
        if (next) {
            m_state = *next;
            if (*next == ras::kConnected)
                m_connectedAt = std::chrono::system_clock::now();
        }
    }
    if (next && m_progress)
        m_progress(*next, 0, 0);
}

void CPppdSession::Finish(int waitStatus)
{
    int error = 0;
    int extended = 0;
    if (WIFEXITED(waitStatus)) {
        error = WEXITSTATUS(waitStatus);
        // A hang-up this program asked for is no dial error.
        if (m_terminating && error == 5)
            error = 0;
    } else if (WIFSIGNALED(waitStatus)) {
        error = m_terminating ? 0 : 1;
        extended = m_terminating ? 0 : WTERMSIG(waitStatus);
    }
    BX_LOG(LEVEL_RAS, "pppd %d ended, status %d\n", static_cast<int>(m_pid), error);
    // The error is reported before the state turns to disconnected, so a
    // reader that sees the state also sees the error.
    if (m_progress)
        m_progress(ras::kDisconnected, error, extended);
    {
        std::lock_guard lock(m_mutex);
        m_state = ras::kDisconnected;
        m_ended = true;
    }
    m_cv.notify_all();
}

void CPppdSession::Reader()
{
    std::string pending;
    char buffer[1024];
    bool open = true;
    for (;;) {
        if (open) {
            pollfd p{m_fd, POLLIN, 0};
            ::poll(&p, 1, 100);
            for (;;) {
                const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
                if (n > 0) {
                    for (ssize_t i = 0; i < n; ++i) {
                        const char c = buffer[i];
                        if (c == '\n' || c == '\r') {
                            if (!pending.empty())
                                HandleLine(pending);
                            pending.clear();
                        } else if (pending.size() < kMaxLine) {
                            pending.push_back(c);
                        }
                    }
                    continue;
                }
                if (n == 0)
                    open = false;  // every writer closed; pppd may still run
                break;
            }
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        int status = 0;
        const pid_t r = ::waitpid(m_pid, &status, WNOHANG);
        if (r == m_pid || (r < 0 && errno == ECHILD)) {
            // Whatever pppd wrote last is still in the pipe.
            ssize_t n;
            while ((n = ::read(m_fd, buffer, sizeof buffer)) > 0)
                for (ssize_t i = 0; i < n; ++i) {
                    if (buffer[i] == '\n' || buffer[i] == '\r') {
                        if (!pending.empty())
                            HandleLine(pending);
                        pending.clear();
                    } else if (pending.size() < kMaxLine) {
                        pending.push_back(buffer[i]);
                    }
                }
            if (!pending.empty())
                HandleLine(pending);
            Finish(r == m_pid ? status : 0);
            return;
        }
    }
}

}  // namespace brivex
