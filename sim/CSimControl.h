#pragma once

#include <string>

namespace brivex::sim {

class CSimModem;

// The control commands of the simulated modem, one line each; the same set
// on standard input, on the control socket and from tests. Every command
// answers one line starting "ok" or "error". "help" lists them.
class CSimControl {
public:
    static std::string Execute(CSimModem& modem, const std::string& line);
    static std::string Help();
};

}  // namespace brivex::sim
