#include "app/CPortDiscovery.h"

#include "app/CDebugViews.h"
#include "app/CReg.h"
#include "platform/CProfileFile.h"

#include <cctype>

namespace brivex {

namespace {

std::string Upper(std::string s)
{
    for (auto& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// The marker occurs at a position after the first character.
bool HasAfterFirst(const std::string& path, const char* marker)
{
    const auto at = path.find(marker);
    return at != std::string::npos && at > 0;
}

}  // namespace

int CPortDiscovery::ListInstances(int driverType, std::vector<std::string>& list) const
{
    CReg reg(CReg::Root::LocalMachine, driverType == 1 ? kNewDriverKey : kOldDriverKey);
    const auto count = static_cast<int>(reg.ReadDword("Count", static_cast<std::uint32_t>(-1)));
    if (count == -1)
        return -1;
    for (int i = 0; i < count; ++i) {
        const std::string instance = reg.ReadString(std::to_string(i), std::string());
        list.push_back(instance);
        BX_LOG(LEVEL_ST, "Finding EnumDrv = %s \n", instance.c_str());
    }
    return count;
}

std::vector<std::string> CPortDiscovery::ChooseDriverType()
{
    std::vector<std::string> list;
    m_driverType = 1;
    int found = ListInstances(m_driverType, list);
    if (found == -1 || found == 0) {
        m_driverType = 0;
        found = ListInstances(m_driverType, list);
        if (found == -1 || found == 0)
            m_driverType = -1;
    }
    BX_LOG(LEVEL_ST, "Drv Mode Type = %d", m_driverType);
    return list;
}

int CPortDiscovery::PortOfInstance(const std::string& instance) const
{
    CReg reg(CReg::Root::LocalMachine, "SYSTEM\\CurrentControlSet\\Enum\\" + instance + "\\Device Parameters");
    const std::string name = reg.ReadString("PortName", std::string("Not Find"));
    if (name == "Not Find")
        return 0;
    const int number = CProfileFile::LeadingInt(name.size() > 3 ? std::string_view(name).substr(3) : "");
    BX_LOG(LEVEL_ST, "%s = %d (COM PORT)", instance.c_str(), number);
    return number;
}

int CPortDiscovery::FindDiagnosticPort()
{
    m_port = 0;
    for (const auto& entry : ChooseDriverType()) {
        const std::string path = Upper(entry);
        if (HasAfterFirst(path, "6502") && HasAfterFirst(path, "MI_02")) {
            BX_LOG(LEVEL_ST, "DRIVER COM ENUM = %s", path.c_str());
            m_port = PortOfInstance(entry);
            m_matchKind = 2;
            break;
        }
    }
    return m_port;
}

int CPortDiscovery::FindVoicePort()
{
    m_port = 0;
    for (const auto& entry : ChooseDriverType()) {
        const std::string path = Upper(entry);
        bool taken;
        if (HasAfterFirst(path, "6502") || HasAfterFirst(path, "6202"))
            taken = HasAfterFirst(path, "MI_01");
        else
            taken = HasAfterFirst(path, "6501") && HasAfterFirst(path, "MI_02");
        if (!taken)
            continue;
        BX_LOG(LEVEL_ST, "DRIVER COM ENUM = %s", path.c_str());
        m_port = PortOfInstance(entry);
        break;
    }
    return m_port;
}

std::string CPortDiscovery::DriverKeyName() const
{
    const int type = m_driverType == -1 ? m_fallbackType : m_driverType;
    BX_LOG(LEVEL_ST, "GetRegName = %d(m_bDriverNewType)", m_driverType);
    return type == 1 ? kNewDriverKey : kOldDriverKey;
}

}  // namespace brivex
