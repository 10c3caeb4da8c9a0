#pragma once

#include <functional>
#include <string>
#include <thread>

namespace brivex::sim {

// The control channel on a Unix stream socket: every line a client sends is
// handed to the handler, and its one-line answer goes back. Several clients
// may be connected at once; lines are bounded.
class CSimControlSocket {
public:
    using Handler = std::function<std::string(const std::string&)>;

    CSimControlSocket(std::string path, Handler handler);
    ~CSimControlSocket();
    CSimControlSocket(const CSimControlSocket&) = delete;
    CSimControlSocket& operator=(const CSimControlSocket&) = delete;

    bool Start(std::string& error);
    void Stop();  // closes every client and removes the socket file
    const std::string& Path() const { return m_path; }

private:
    void Run();

    std::string m_path;
    Handler m_handler;
    int m_listen = -1;
    int m_wake[2] = {-1, -1};
    std::thread m_thread;
};

}  // namespace brivex::sim
