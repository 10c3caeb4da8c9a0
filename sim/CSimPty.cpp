#include "CSimPty.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace brivex::sim {

CSimPty::~CSimPty()
{
    Close();
}

bool CSimPty::Open(std::string& error)
{
    Close();
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        error = std::string("pseudo-terminal: ") + std::strerror(errno);
        Close();
        return false;
    }
    char name[128] = {};
    if (ptsname_r(m_master, name, sizeof name) != 0) {
        error = std::string("ptsname: ") + std::strerror(errno);
        Close();
        return false;
    }
    m_slavePath = name;
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0) {
        error = std::string("open ") + name + ": " + std::strerror(errno);
        Close();
        return false;
    }
    // Raw from the start: no echo, no line editing, no newline translation,
    // whatever the program does before it sets its own line settings.
    termios tio{};
    if (tcgetattr(m_slave, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(m_slave, TCSANOW, &tio);
    }
    return true;
}

void CSimPty::Close()
{
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_slave = -1;
    m_master = -1;
    m_slavePath.clear();
}

}  // namespace brivex::sim
