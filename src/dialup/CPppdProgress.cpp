#include "dialup/CPppdProgress.h"

#include "dialup/RasTypes.h"

#include <array>
#include <cctype>

namespace brivex {

namespace {

bool Contains(const std::string& line, const char* text) { return line.find(text) != std::string::npos; }

// The order in which the states appear while pppd dials.
int Rank(int state)
{
    switch (state) {
    case ras::kOpenPort: return 0;
    case ras::kPortOpened: return 1;
    case ras::kConnectDevice: return 2;
    case ras::kDeviceConnected: return 3;
    case ras::kAllDevicesConnected: return 4;
    case ras::kAuthenticate: return 5;
    case ras::kAuthProject: return 6;
    case ras::kProjected: return 7;
    case ras::kConnected: return 8;
    case ras::kDisconnected: return 9;
    default: return 0;
    }
}

}  // namespace

std::optional<int> CPppdProgress::StateOfLine(const std::string& line, int current)
{
    int next = -1;
    if (Contains(line, "send (ATD"))
        next = ras::kConnectDevice;
    else if (Contains(line, "send (") || Contains(line, "expect ("))
        next = ras::kPortOpened;
    else if (Contains(line, "Serial connection established"))
        next = ras::kDeviceConnected;
    else if (Contains(line, "Using interface "))
        next = ras::kAllDevicesConnected;
    else if (Contains(line, "Connect: ") && Contains(line, "<-->"))
        next = ras::kAuthenticate;
    else if (Contains(line, "authentication succeeded"))
        next = ras::kAuthProject;
    else if (Contains(line, "local  IP address") || Contains(line, "local IP address"))
        next = ras::kProjected;
    else if (Contains(line, "remote IP address"))
        next = ras::kConnected;
    if (next < 0 || Rank(next) <= Rank(current))
        return std::nullopt;
    return next;
}

bool CPppdProgress::IsInterfaceName(const std::string& name)
{
    if (name.empty() || name.size() > 15 || name == "." || name == "..")
        return false;
    for (unsigned char c : name)
        if (!std::isalnum(c) && c != '_' && c != '-' && c != '.')
            return false;
    return true;
}

std::optional<std::string> CPppdProgress::InterfaceOfLine(const std::string& line)
{
    static const std::string marker = "Using interface ";
    const std::size_t at = line.find(marker);
    if (at == std::string::npos)
        return std::nullopt;
    std::string name = line.substr(at + marker.size());
    while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back())))
        name.pop_back();
    if (!IsInterfaceName(name))
        return std::nullopt;
    return name;
}

const char* CPppdProgress::ExitText(int status)
{
    static const std::array<const char*, 20> texts = {
        "",
        "A fatal error occurred in the dial-up program (a system call failed or it ran out of memory).",
        "The dial-up options are in error.",
        "The dial-up program is not setuid-root and the invoking user is not root.",
        "The kernel does not support PPP: the PPP kernel driver is not included or cannot be loaded.",
        "The dial-up program was terminated by a signal.",
        "The serial port could not be locked.",
        "The serial port could not be opened.",
        "The connect script failed: the modem did not connect.",
        "The command given to the pty option could not be run.",
        "The PPP negotiation failed: no network protocol came up.",
        "The remote system failed or refused to authenticate itself.",
        "The link was terminated because it was idle.",
        "The link was terminated because the connect time limit was reached.",
        "Callback was negotiated; an incoming call should arrive shortly.",
        "The link was terminated because the remote system does not answer echo requests.",
        "The link was terminated by the modem hanging up.",
        "The PPP negotiation failed because serial loopback was detected.",
        "The init script failed.",
        "The authentication with the remote system failed: check the user name and password.",
    };
    if (status < 1 || status >= static_cast<int>(texts.size()))
        return "";
    return texts[static_cast<std::size_t>(status)];
}

}  // namespace brivex
