#include "CSimControlSocket.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace brivex::sim {

namespace {

constexpr std::size_t kMaxClients = 16;
constexpr std::size_t kMaxLine = 4096;

struct Client {
    int fd;
    std::string pending;
};

void SendLine(int fd, const std::string& text)
{
    const std::string line = text + "\n";
    std::size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = ::send(fd, line.data() + done, line.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        done += static_cast<std::size_t>(n);
    }
}

}  // namespace

CSimControlSocket::CSimControlSocket(std::string path, Handler handler)
    : m_path(std::move(path)), m_handler(std::move(handler))
{
}

CSimControlSocket::~CSimControlSocket()
{
    Stop();
}

bool CSimControlSocket::Start(std::string& error)
{
    sockaddr_un address{};
    if (m_path.size() >= sizeof address.sun_path) {
        error = "control socket path too long: " + m_path;
        return false;
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, m_path.c_str(), m_path.size() + 1);
    ::unlink(m_path.c_str());
    m_listen = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listen, 8) != 0 || ::pipe2(m_wake, O_CLOEXEC) != 0) {
        error = "control socket " + m_path + ": " + std::strerror(errno);
        Stop();
        return false;
    }
    m_thread = std::thread([this] { Run(); });
    return true;
}

void CSimControlSocket::Stop()
{
    if (m_wake[1] >= 0) {
        const char stop = 'q';
        [[maybe_unused]] ssize_t n = ::write(m_wake[1], &stop, 1);
    }
    if (m_thread.joinable())
        m_thread.join();
    for (int* fd : {&m_listen, &m_wake[0], &m_wake[1]}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    ::unlink(m_path.c_str());
}

void CSimControlSocket::Run()
{
    std::vector<Client> clients;
    for (;;) {
        std::vector<pollfd> fds{{m_wake[0], POLLIN, 0}, {m_listen, POLLIN, 0}};
        for (const Client& c : clients)
            fds.push_back({c.fd, POLLIN, 0});
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[0].revents & POLLIN)
            break;
        if (fds[1].revents & POLLIN) {
            const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0 && clients.size() < kMaxClients)
                clients.push_back({fd, {}});
            else if (fd >= 0)
                ::close(fd);
        }
        // Clients are served in the order of fds; a closed one is removed afterwards.
        std::vector<int> gone;
        for (std::size_t i = 2; i < fds.size(); ++i) {
            if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            Client& client = clients[i - 2];
            char buffer[1024];
            const ssize_t n = ::recv(client.fd, buffer, sizeof buffer, 0);
            if (n <= 0) {
                gone.push_back(client.fd);
                continue;
            }
            client.pending.append(buffer, static_cast<std::size_t>(n));
            std::size_t end;
            while ((end = client.pending.find('\n')) != std::string::npos) {
                std::string line = client.pending.substr(0, end);
                client.pending.erase(0, end + 1);
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                SendLine(client.fd, m_handler(line));
            }
            if (client.pending.size() > kMaxLine) {
                SendLine(client.fd, "error line too long");
                client.pending.clear();
            }
        }
        for (int fd : gone) {
            ::close(fd);
            std::erase_if(clients, [fd](const Client& c) { return c.fd == fd; });
        }
    }
    for (const Client& c : clients)
        ::close(c.fd);
}

}  // namespace brivex::sim
