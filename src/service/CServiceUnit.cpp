#include "service/CServiceUnit.h"

#include "platform/CChildProcess.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace brivex {

CServiceUnit::CServiceUnit(std::string unitDirectory) : m_unitDirectory(std::move(unitDirectory)) {}

std::string CServiceUnit::UnitPath() const { return m_unitDirectory + "/" + UnitName; }

bool CServiceUnit::IsInstalled() const
{
    std::error_code ec;
    return fs::exists(fs::symlink_status(UnitPath(), ec));
}

std::string CServiceUnit::UnitText(const std::string& executablePath)
{
    if (executablePath.empty() || executablePath[0] != '/')
        return {};
    std::string quoted;
    for (unsigned char c : executablePath) {
        if (c < 0x20 || c == 0x7f || c == '"' || c == '\\')
            return {};
        if (c == '%')
            quoted += '%';
        quoted += static_cast<char>(c);
    }
    return "[Unit]\n"
           "Description=MODEVORTEX\n"
           "\n"
           "[Service]\n"
           "Type=simple\n"
           "ExecStart=\"" + quoted + "\"\n"
           "\n"
           "[Install]\n"
           "WantedBy=multi-user.target\n";
}

bool CServiceUnit::ManagedBySystemd() const
{
    std::error_code ec;
    return fs::is_directory("/run/systemd/system", ec) && fs::equivalent(m_unitDirectory, SystemUnitDirectory, ec);
}

bool CServiceUnit::Systemctl(const char* verb)
{
    CChildProcess::SOptions options;
    options.searchPath = true;
    std::vector<std::string> argv{"systemctl", verb};
    if (std::string(verb) != "daemon-reload")
        argv.emplace_back(UnitName);
    const auto status = CChildProcess::Run(argv, options, std::chrono::seconds(90));
    return status && *status == 0;
}

CServiceUnit::Result CServiceUnit::Install(const std::string& executablePath) const
{
    std::error_code ec;
    if (!fs::is_directory(m_unitDirectory, ec))
        return Result::NoServiceManager;
    if (IsInstalled())
        return Result::Ok;
    const std::string text = UnitText(executablePath);
    if (text.empty())
        return Result::CreateFailed;
    const std::string temp = UnitPath() + ".tmp." + std::to_string(::getpid());
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << text;
        out.flush();
        if (!out) {
            std::remove(temp.c_str());
            return Result::CreateFailed;
        }
    }
    fs::permissions(temp, fs::perms(0644), ec);
    if (std::rename(temp.c_str(), UnitPath().c_str()) != 0) {
        std::remove(temp.c_str());
        return Result::CreateFailed;
    }
    if (ManagedBySystemd()) {
        Systemctl("daemon-reload");
        if (!Systemctl("enable")) {
            std::remove(UnitPath().c_str());
            Systemctl("daemon-reload");
            return Result::CreateFailed;
        }
    }
    return Result::Ok;
}

CServiceUnit::Result CServiceUnit::Uninstall() const
{
    std::error_code ec;
    if (!fs::is_directory(m_unitDirectory, ec))
        return Result::NoServiceManager;
    if (!IsInstalled())
        return Result::Ok;
    if (!fs::is_regular_file(UnitPath(), ec))
        return Result::OpenFailed;
    const bool managed = ManagedBySystemd();
    if (managed) {
        Systemctl("stop");
        if (!Systemctl("disable"))
            return Result::DeleteFailed;
    }
    if (!fs::remove(UnitPath(), ec))
        return Result::DeleteFailed;
    if (managed)
        Systemctl("daemon-reload");
    return Result::Ok;
}

std::string CServiceUnit::Message(Result result)
{
    switch (result) {
    case Result::Ok: return {};
    case Result::NoServiceManager: return "Couldn't open service manager";
    case Result::CreateFailed: return "Couldn't create service";
    case Result::OpenFailed: return "Couldn't open service";
    case Result::DeleteFailed: return "Service could not be deleted";
    }
    return {};
}

}  // namespace brivex
