#include "setup/CProcessKiller.h"

#include "platform/CSysfs.h"
#include "setup/CUlvoApp.h"

#include <algorithm>
#include <cctype>
#include <csignal>
#include <filesystem>

namespace brivex {

CProcessKiller::CProcessKiller(std::string procRoot, Terminate terminate)
    : m_procRoot(std::move(procRoot)), m_terminate(std::move(terminate))
{
}

bool CProcessKiller::SendTerminate(pid_t pid) { return ::kill(pid, SIGTERM) == 0; }

std::vector<pid_t> CProcessKiller::Pids() const
{
    std::vector<pid_t> pids;
    for (const auto& name : CSysfs::List(m_procRoot)) {
        if (name.empty() || name.size() > 9 || !std::all_of(name.begin(), name.end(), [](unsigned char c) { return std::isdigit(c) != 0; }))
            continue;
        const long value = std::stol(name);
        if (value > 0)
            pids.push_back(static_cast<pid_t>(value));
    }
    std::sort(pids.begin(), pids.end());
    return pids;
}

std::optional<std::string> CProcessKiller::ExecutableName(pid_t pid) const
{
    std::error_code ec;
    const auto target = std::filesystem::read_symlink(m_procRoot + "/" + std::to_string(pid) + "/exe", ec);
    if (ec)
        return std::nullopt;
    std::string path = target.string();
    const std::string deleted = " (deleted)";
    if (path.size() > deleted.size() && path.compare(path.size() - deleted.size(), deleted.size(), deleted) == 0)
        path.resize(path.size() - deleted.size());
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::optional<pid_t> CProcessKiller::TerminateFirst(const std::string& ownName) const
{
    for (const pid_t pid : Pids()) {
        const auto name = ExecutableName(pid);
        if (!name || CUlvoApp::UpperCase(*name) != ownName)
            continue;
        m_terminate(pid);
        return pid;
    }
    return std::nullopt;
}

}  // namespace brivex
