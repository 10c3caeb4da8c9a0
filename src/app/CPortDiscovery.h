#pragma once

#include <string>
#include <vector>

namespace brivex {

// Finds the modem's diagnostic and voice ports among the instances the
// usb-serial driver serves. One short-lived object per search; nothing is
// cached, so a replugged modem with new port numbers is found next time.
class CPortDiscovery {
public:
    static constexpr const char* kNewDriverKey = "SYSTEM\\CurrentControlSet\\Services\\qvusbser\\Enum";
    static constexpr const char* kOldDriverKey = "SYSTEM\\CurrentControlSet\\Services\\qvusbser6501\\Enum";

    // The diagnostic interface (6502 and MI_02); 0 when not found.
    int FindDiagnosticPort();
    // The voice interface (6502/6202 with MI_01, or 6501 with MI_02); 0 when not found.
    int FindVoicePort();
    // The Enum key of the driver the last search settled on.
    std::string DriverKeyName() const;

    int DriverType() const { return m_driverType; }
    int Port() const { return m_port; }
    int MatchKind() const { return m_matchKind; }

    // Number of instances listed (appended to the list), or -1 when the key or Count is missing.
    int ListInstances(int driverType, std::vector<std::string>& list) const;
    int PortOfInstance(const std::string& instance) const;

private:
    std::vector<std::string> ChooseDriverType();

    int m_driverType = 1;
    int m_port = 0;
    int m_fallbackType = 1;
    int m_matchKind = 0;
};

}  // namespace brivex
