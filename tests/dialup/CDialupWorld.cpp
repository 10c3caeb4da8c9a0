#include "CDialupWorld.h"

#include "app/CDebugViews.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace brivex::test {

CDialupWorld::CDialupWorld(const std::string& product)
{
    sim::CSimModem::Options options;
    options.base = m_dir.path() / "machine";
    options.tree.product = product;
    m_modem = std::make_unique<sim::CSimModem>(options);
    std::string error;
    if (!m_modem->Start(error))
        throw std::runtime_error("simulated modem: " + error);
    auto& tree = m_modem->Tree();
    std::filesystem::create_directories(tree.RunDir());
    std::filesystem::create_directories(tree.SysDir());
    std::filesystem::create_directories(m_dir.path() / "traffic");
    m_env.push_back(std::make_unique<EnvGuard>("BRIVEX_SYSFS", tree.SysfsRoot().string()));
    m_env.push_back(std::make_unique<EnvGuard>("BRIVEX_DEVDIR", tree.DevDir().string()));
    m_env.push_back(std::make_unique<EnvGuard>("BRIVEX_SYSDIR", tree.SysDir().string()));
    m_env.push_back(std::make_unique<EnvGuard>("BRIVEX_RUNDIR", tree.RunDir().string()));
    m_env.push_back(std::make_unique<EnvGuard>("BRIVEX_PPPD", std::string(BRIVEX_FAKE_PPPD)));
    m_env.push_back(
        std::make_unique<EnvGuard>("BRIVEX_FAKE_PPPD_OPTIONS", (m_dir.path() / "fake-pppd.options").string()));
    m_env.push_back(std::make_unique<EnvGuard>("BRIVEX_LOG", (m_dir.path() / "debug.log").string()));
    CDebugViews::Instance().ReloadEnvironment();
    // Fast steps unless a test wants them slower; the account and traffic directory of the profile.
    FakeOptions("fake-delay 40\n");
    std::ofstream(tree.SysDir() / "fer_dialer.ini") << "[Curdir]\ndir=" << TrafficDir() << "\n";
}

CDialupWorld::~CDialupWorld()
{
    m_modem->Stop();
    m_env.clear();
    CDebugViews::Instance().ReloadEnvironment();
}

void CDialupWorld::FakeOptions(const std::string& text) const
{
    std::ofstream(m_dir.path() / "fake-pppd.options", std::ios::trunc) << text;
}

std::string CDialupWorld::RunDir() const { return m_modem->Tree().RunDir().string(); }
std::string CDialupWorld::SysfsRoot() const { return m_modem->Tree().SysfsRoot().string(); }
std::string CDialupWorld::AtTty() const { return m_modem->DevicePath(sim::CSimModem::kAtInterface); }

std::vector<std::string> CDialupWorld::Record() const
{
    std::vector<std::string> lines;
    std::ifstream in(RunDir() + "/fake-pppd.record");
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

bool CDialupWorld::RecordHas(const std::string& line) const
{
    for (const auto& l : Record())
        if (l == line)
            return true;
    return false;
}

}  // namespace brivex::test
