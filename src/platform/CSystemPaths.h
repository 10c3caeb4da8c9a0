#pragma once

#include <string>

namespace brivex {

// Where the installed system keeps things, each overridable through the
// environment so that tests and the demo run against a scratch tree.
class CSystemPaths {
public:
    static std::string SysDir();      // BRIVEX_SYSDIR, /var/lib/brivex
    static std::string SysfsRoot();   // BRIVEX_SYSFS, /sys
    static std::string DevDir();      // BRIVEX_DEVDIR, /dev
    static std::string RunDir();      // BRIVEX_RUNDIR, /run
    static std::string Pppd();        // BRIVEX_PPPD, /usr/sbin/pppd
    static std::string UnitDir();     // BRIVEX_UNITDIR, /etc/systemd/system
    static std::string LogFile();     // BRIVEX_LOG, empty when unset

    // The value of an environment variable, or the fallback when unset or empty.
    static std::string FromEnv(const char* name, const char* fallback);
};

}  // namespace brivex
