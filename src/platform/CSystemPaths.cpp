#include "platform/CSystemPaths.h"

#include <cstdlib>

namespace brivex {

std::string CSystemPaths::FromEnv(const char* name, const char* fallback)
{
    const char* value = std::getenv(name);
    if (value && *value)
        return value;
    return fallback;
}

std::string CSystemPaths::SysDir() { return FromEnv("BRIVEX_SYSDIR", "/var/lib/brivex"); }
std::string CSystemPaths::SysfsRoot() { return FromEnv("BRIVEX_SYSFS", "/sys"); }
std::string CSystemPaths::DevDir() { return FromEnv("BRIVEX_DEVDIR", "/dev"); }
std::string CSystemPaths::RunDir() { return FromEnv("BRIVEX_RUNDIR", "/run"); }
std::string CSystemPaths::Pppd() { return FromEnv("BRIVEX_PPPD", "/usr/sbin/pppd"); }
std::string CSystemPaths::UnitDir() { return FromEnv("BRIVEX_UNITDIR", "/etc/systemd/system"); }
std::string CSystemPaths::LogFile() { return FromEnv("BRIVEX_LOG", ""); }

}  // namespace brivex
