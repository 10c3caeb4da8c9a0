#include "dialup/CRasLinks.h"

#include "dialup/CPppdProgress.h"
#include "dialup/CRasDevices.h"
#include "dialup/CRasPhonebook.h"
#include "platform/CSysfs.h"
#include "platform/CSystemPaths.h"

#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdlib>

namespace brivex {

namespace {

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::string line;
    for (char c : text) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else if (c != '\r') {
            line.push_back(c);
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

// The pid of a link file's first line; 0 when it is not a plain positive number.
pid_t ParsePid(const std::string& line)
{
    if (line.empty() || line.size() > 9)
        return 0;
    for (char c : line)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return 0;
    const long v = std::strtol(line.c_str(), nullptr, 10);
    return v > 0 ? static_cast<pid_t>(v) : 0;
}

// The device node a pppd was given on its command line, as /proc shows it.
std::string TtyOfProcess(pid_t pid)
{
    const auto cmdline = CRasPhonebook::ReadSmallFile("/proc/" + std::to_string(pid) + "/cmdline", 4096);
    if (!cmdline)
        return {};
    std::size_t pos = 0;
    while (pos < cmdline->size()) {
        const std::size_t end = cmdline->find('\0', pos);
        const std::string word = cmdline->substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        if (pos > 0 && word.find("/tty") != std::string::npos)
            return word;  // the first word is the program itself
        if (end == std::string::npos)
            break;
        pos = end + 1;
    }
    return {};
}

}  // namespace

bool CRasLinks::ProcessAlive(pid_t pid)
{
    if (pid <= 0)
        return false;
    if (::kill(pid, 0) != 0 && errno != EPERM)
        return false;
    // A zombie has ended already; a recycled pid would not be a pppd.
    const auto stat = CRasPhonebook::ReadSmallFile("/proc/" + std::to_string(pid) + "/stat", 1024);
    if (stat) {
        const std::size_t close = stat->rfind(')');
        if (close != std::string::npos && close + 2 < stat->size() && (*stat)[close + 2] == 'Z')
            return false;
        const std::size_t open = stat->find('(');
        if (open != std::string::npos && close != std::string::npos &&
            stat->substr(open, close - open).find("pppd") == std::string::npos)
            return false;
    }
    return true;
}

bool CRasLinks::ReadLink(const std::string& pidFile, RasConnection& out)
{
    const auto text = CRasPhonebook::ReadSmallFile(pidFile, 256);
    if (!text)
        return false;
    const auto lines = SplitLines(*text);
    if (lines.empty())
        return false;
    const pid_t pid = ParsePid(lines[0]);
    if (!ProcessAlive(pid))
        return false;
    out.pid = pid;
    out.pidFile = pidFile;
    out.ifName = lines.size() > 1 && CPppdProgress::IsInterfaceName(lines[1]) ? lines[1] : std::string();
    return true;
}

std::vector<RasConnection> CRasLinks::Enumerate()
{
    const std::string dir = CSystemPaths::RunDir();
    std::vector<RasConnection> links;
    std::vector<RasDevice> devices;
    bool devicesRead = false;
    for (const auto& name : CSysfs::List(dir)) {
        if (name.size() <= 8 || name.compare(0, 4, "ppp-") != 0 || name.compare(name.size() - 4, 4, ".pid") != 0)
            continue;
        RasConnection link;
        if (!ReadLink(dir + "/" + name, link))
            continue;
        link.linkName = name.substr(4, name.size() - 8);
        if (!devicesRead) {
            devices = CRasDevices::Enumerate();
            devicesRead = true;
        }
        link.deviceName = CRasDevices::NameOfTty(devices, TtyOfProcess(link.pid));
        links.push_back(link);
    }
    return links;
}

}  // namespace brivex
