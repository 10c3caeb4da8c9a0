#pragma once

#include "dialup/RasTypes.h"

#include <vector>

namespace brivex {

// The active dial-up connections of the machine: every pppd that keeps a
// link pid file "ppp-<link name>.pid" in $BRIVEX_RUNDIR (first line its pid,
// second line, once the link is up, its interface) and still runs.
class CRasLinks {
public:
    static std::vector<RasConnection> Enumerate();
    // Reads one link pid file; false when it names no running pppd.
    static bool ReadLink(const std::string& pidFile, RasConnection& out);
    static bool ProcessAlive(pid_t pid);
};

}  // namespace brivex
