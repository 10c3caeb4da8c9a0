#include "support/EnvGuard.h"
#include "support/TempDir.h"

#include "platform/CChildProcess.h"
#include "platform/CKeyStore.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>

namespace brivex {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::EnvGuard;
using test::TempDir;

constexpr const char* Instance = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_9e3c&Pid_6502\\055505200000";

fs::path BuiltService()
{
    if (const char* build = std::getenv("BRIVEX_BUILD_DIR"); build && *build)
        return fs::path(build) / "bin/MODEVORTEX";
    return fs::read_symlink("/proc/self/exe").parent_path().parent_path().parent_path() / "bin/MODEVORTEX";
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

// The real program against a scratch store, unit directory and device tree.
class ServiceProgram : public ::testing::Test {
protected:
    ServiceProgram()
        : m_sysdir("BRIVEX_SYSDIR", (m_dir / "sysdir").string()),
          m_sysfs("BRIVEX_SYSFS", (m_dir / "sys").string()),
          m_unitdir("BRIVEX_UNITDIR", (m_dir / "units").string()),
          m_invocation("INVOCATION_ID", std::nullopt)
    {
    }

    void SetUp() override
    {
        if (!fs::exists(BuiltService()))
            GTEST_SKIP() << "no MODEVORTEX at " << BuiltService();
        fs::create_directories(m_dir / "units");
        const std::string device = "sys/devices/usb1/1-2";
        m_dir.write(device + "/serial", "055505200000\n");
        m_dir.write(device + "/authorized", "1\n");
        fs::create_directories(m_dir / "sys/bus/usb/devices");
        fs::create_symlink("../../../devices/usb1/1-2", m_dir / "sys/bus/usb/devices/1-2");
    }

    void TearDown() override
    {
        for (const pid_t pid : m_children) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }

    pid_t Start(const std::vector<std::string>& arguments)
    {
        std::vector<std::string> argv{BuiltService().string()};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        CChildProcess::SOptions options;
        options.outputFile = (m_dir / "output").string();
        const pid_t pid = CChildProcess::Start(argv, options);
        if (pid > 0)
            m_children.push_back(pid);
        return pid;
    }

    int Finish(pid_t pid)
    {
        const auto status = CChildProcess::Wait(pid, 20s);
        if (status)
            std::erase(m_children, pid);
        return status.value_or(-1);
    }

    std::string Output() const { return m_dir.read("output"); }
    bool OutputHas(const std::string& text) const
    {
        return WaitUntil([&] { return Output().find(text) != std::string::npos; }, 20s);
    }

    TempDir m_dir;
    EnvGuard m_sysdir, m_sysfs, m_unitdir, m_invocation;
    std::vector<pid_t> m_children;
};

TEST_F(ServiceProgram, MissingRecordEndsAtOnce)
{
    EXPECT_EQ(Finish(Start({})), 2);
    EXPECT_EQ(Output(), "");
}

TEST_F(ServiceProgram, ProcessModeResetsTheInstanceAndStopsOnTerminate)
{
    ASSERT_EQ(Finish(Start({"/REGSERVER"})), 0);
    const CKeyStore store = CKeyStore::FromEnvironment();
    ASSERT_TRUE(store.WriteValue(std::string(Instance) + "\\Device Parameters", "PortName", "COM3"));
    m_dir.write("sys/devices/usb1/1-2/authorized", "0\n");

    const pid_t service = Start({});
    ASSERT_TRUE(OutputHas("Service started\n"));
    // The reset follows the start line; as root the device is re-authorised.
    EXPECT_TRUE(WaitUntil([&] { return !store.KeyExists(Instance); }, 20s));
    EXPECT_TRUE(WaitUntil([&] { return m_dir.read("sys/devices/usb1/1-2/authorized") == "1"; }, 20s));

    ::kill(service, SIGHUP);
    ::kill(service, SIGUSR1);
    ASSERT_TRUE(OutputHas("Bad service request\n"));
    ::kill(service, SIGTERM);
    EXPECT_EQ(Finish(service), 0);
    EXPECT_EQ(Output(), "Service started\nBad service request\nService stopped\n");
}

TEST_F(ServiceProgram, InstallAndUninstallTheUnit)
{
    ASSERT_EQ(Finish(Start({"-service"})), 0);
    const std::string unit = m_dir.read("units/MODEVORTEX.service");
    EXPECT_NE(unit.find("ExecStart=\"" + fs::canonical(BuiltService()).string() + "\""), std::string::npos);

    // Installed but started by hand, not by systemd: it runs as a plain process.
    const pid_t service = Start({});
    ASSERT_TRUE(OutputHas("Service started\n"));
    ::kill(service, SIGTERM);
    EXPECT_EQ(Finish(service), 0);

    ASSERT_EQ(Finish(Start({"-UnregServer"})), 0);
    EXPECT_FALSE(fs::exists(m_dir / "units/MODEVORTEX.service"));
    EXPECT_EQ(Finish(Start({})), 2);
}

TEST_F(ServiceProgram, MissingUnitDirectoryIsReported)
{
    fs::remove_all(m_dir / "units");
    EXPECT_EQ(Finish(Start({"-Service"})), 1);
    EXPECT_EQ(Output(), "MODEVORTEX: Couldn't open service manager\n");
}

}  // namespace
}  // namespace brivex
