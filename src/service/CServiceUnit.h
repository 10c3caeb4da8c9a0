#pragma once

#include <string>

namespace brivex {

// MODEVORTEX as the systemd unit "MODEVORTEX.service" in the unit directory,
// started at boot (WantedBy=multi-user.target). systemctl is called only when
// systemd runs (/run/systemd/system exists) and the unit directory is the
// system's own /etc/systemd/system; elsewhere the unit file alone is written
// or removed.
class CServiceUnit {
public:
    enum class Result { Ok, NoServiceManager, CreateFailed, OpenFailed, DeleteFailed };

    static constexpr const char* UnitName = "MODEVORTEX.service";
    static constexpr const char* SystemUnitDirectory = "/etc/systemd/system";

    explicit CServiceUnit(std::string unitDirectory);

    std::string UnitPath() const;
    bool IsInstalled() const;
    // The unit text; empty when the path cannot be written into a unit file.
    static std::string UnitText(const std::string& executablePath);

    Result Install(const std::string& executablePath) const;
    Result Uninstall() const;

    // The message the user sees for a failure; empty for Ok.
    static std::string Message(Result result);

private:
    bool ManagedBySystemd() const;
    static bool Systemctl(const char* verb);

    std::string m_unitDirectory;
};

}  // namespace brivex
