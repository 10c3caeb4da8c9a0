#pragma once

#include "dialup/RasTypes.h"

#include <string>
#include <vector>

namespace brivex {

// The dial-up devices of this machine: every USB serial port on interface 00
// is a modem device named after its USB device's product string, listed in
// ascending port number.
class CRasDevices {
public:
    static std::vector<RasDevice> Enumerate();

    // The modem devices whose upper-cased name, longer than 7 characters,
    // contains "CORVANA"; the first one's name goes to firstName. Returns the
    // number of matches.
    static int MatchModemDevices(const std::vector<RasDevice>& devices, std::string& firstName);

    // The device whose node is tty, or an empty name.
    static std::string NameOfTty(const std::vector<RasDevice>& devices, const std::string& tty);
};

}  // namespace brivex
