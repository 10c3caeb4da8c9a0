#pragma once

#include <string>

namespace brivex::sim {

// One pseudo-terminal the simulator serves. The master side is the modem; the
// slave path is what B/dev/ttyUSB<n> points at. The simulator keeps a slave
// descriptor of its own open (in raw mode) so the line stays up while the
// program has the port closed; closing the pair hangs up every slave opener.
class CSimPty {
public:
    CSimPty() = default;
    ~CSimPty();
    CSimPty(const CSimPty&) = delete;
    CSimPty& operator=(const CSimPty&) = delete;

    // Opens a new pair; false (with errno's text in error) when that fails.
    bool Open(std::string& error);
    void Close();
    bool IsOpen() const { return m_master >= 0; }
    int Master() const { return m_master; }  // non-blocking
    const std::string& SlavePath() const { return m_slavePath; }

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
};

}  // namespace brivex::sim
