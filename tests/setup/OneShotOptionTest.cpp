#include "CFakeUsbTree.h"
#include "support/EnvGuard.h"

#include "platform/CChildProcess.h"
#include "platform/CKeyStore.h"
#include "setup/CCdEject.h"
#include "setup/CDriverChoice.h"
#include "setup/CProcessKiller.h"
#include "setup/CScheduler.h"
#include "setup/CUlvoApp.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <ostream>
#include <sys/wait.h>

namespace brivex {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::CFakeUsbTree;
using test::EnvGuard;
using test::SFakeDevice;
using test::TempDir;

constexpr const char* Instance = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_9e3c&Pid_6502\\055505200000";

// A CD image: an ISO 9660 primary volume descriptor with the given label.
std::string IsoImage(const std::string& label, bool valid = true)
{
    std::string image(16 * 2048 + 2048, '\0');
    image[16 * 2048] = 1;
    image.replace(16 * 2048 + 1, 5, valid ? "CD001" : "CDXXX");
    std::string padded = label;
    padded.resize(32, ' ');
    image.replace(16 * 2048 + 40, 32, padded);
    return image;
}

std::time_t LocalTime(int hour, int minute, int second)
{
    std::tm tm{};
    tm.tm_year = 126;
    tm.tm_mon = 5;
    tm.tm_mday = 10;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

struct STimeCase {
    int hour, minute, second;
    const char* atTime;
};

void PrintTo(const STimeCase& c, std::ostream* os) { *os << c.hour << ':' << c.minute << ':' << c.second; }

class ScheduleTimes : public ::testing::TestWithParam<STimeCase> {};

TEST_P(ScheduleTimes, NextMinuteOrTheOneAfterWhenFewerThanTenSecondsAreLeft)
{
    const auto& c = GetParam();
    EXPECT_EQ(CScheduler::AtTimeArgument(CScheduler::ScheduledTime(LocalTime(c.hour, c.minute, c.second))), c.atTime);
}

INSTANTIATE_TEST_SUITE_P(Clock, ScheduleTimes,
                         ::testing::Values(STimeCase{12, 34, 0, "12:35"}, STimeCase{12, 34, 49, "12:35"},
                                           STimeCase{12, 34, 50, "12:36"}, STimeCase{12, 34, 55, "12:36"},
                                           STimeCase{12, 59, 30, "13:00"}, STimeCase{12, 58, 55, "13:00"},
                                           STimeCase{23, 59, 55, "0:01"}, STimeCase{9, 3, 5, "9:04"}));

// Everything the one-shot options touch, pointed at scratch copies.
class OneShotOptions : public ::testing::Test {
protected:
    OneShotOptions()
        : m_sysdir("BRIVEX_SYSDIR", (m_tree.Dir() / "sysdir").string()),
          m_sysfs("BRIVEX_SYSFS", m_tree.Root()),
          m_devdir("BRIVEX_DEVDIR", (m_tree.Dir() / "dev").string()),
          m_path("PATH", (m_tree.Dir() / "bin").string() + ":" + std::getenv("PATH"))
    {
        m_tree.Add(SFakeDevice{});
        m_tree.Dir().write("bin/at", "#!/bin/sh\necho \"$@\" > '" + AtFile("args") + "'\ncat > '" + AtFile("job") + "'\n");
        fs::permissions(m_tree.Dir() / "bin/at", fs::perms(0755));
        m_tree.Dir().write("dev/sr0", IsoImage("OTHER"));
        m_tree.Dir().write("dev/sr1", IsoImage("Corvana"));
        m_tree.Dir().write("dev/sr10", IsoImage("CORVANA"));
        m_tree.Dir().write("proc/7/exe", "");
        fs::remove(m_tree.Dir() / "proc/7/exe");
        fs::create_symlink("/opt/brivex/veku", m_tree.Dir() / "proc/7/exe");
    }

    std::string AtFile(const std::string& what) const { return (m_tree.Dir() / ("at." + what)).string(); }

    CUlvoApp App()
    {
        CUlvoApp::SHooks hooks;
        hooks.procRoot = (m_tree.Dir() / "proc").string();
        hooks.terminate = [this](pid_t pid) { m_killed.push_back(pid); return true; };
        hooks.openDoor = [this](const std::string& drive) { m_doors.push_back(fs::path(drive).filename().string()); return true; };
        return CUlvoApp(CUlvoApp::FromExecutable("/opt/brivex/veku"), hooks);
    }

    CFakeUsbTree m_tree;
    EnvGuard m_sysdir, m_sysfs, m_devdir, m_path;
    std::vector<pid_t> m_killed;
    std::vector<std::string> m_doors;
};

struct SOptionCase {
    const char* name;
    const char* option;
    const char* service;  // the instance's "Service" value afterwards, "" for none
    bool scheduled;
    bool killed;
    std::vector<std::string> doors;
};

void PrintTo(const SOptionCase& c, std::ostream* os) { *os << c.name; }

class OptionTable : public OneShotOptions, public ::testing::WithParamInterface<SOptionCase> {};

TEST_P(OptionTable, DoesOnlyItsOwnAction)
{
    const auto& c = GetParam();
    EXPECT_EQ(App().Run(CUlvoApp::UpperCase(c.option), LocalTime(10, 20, 55)), 0);
    EXPECT_EQ(CKeyStore::FromEnvironment().ReadValue(Instance, "Service").value_or(""), c.service);
    EXPECT_EQ(fs::exists(AtFile("args")), c.scheduled);
    EXPECT_EQ(m_killed, c.killed ? std::vector<pid_t>{7} : std::vector<pid_t>{});
    EXPECT_EQ(m_doors, c.doors);
}

INSTANTIATE_TEST_SUITE_P(
    Options, OptionTable,
    ::testing::Values(SOptionCase{"Composite", "-r", "usbccgp", false, false, {}},
                      SOptionCase{"MassStorage", "-t", "USBSTOR", false, false, {}},
                      SOptionCase{"Schedule", "-d", "", true, false, {}},
                      SOptionCase{"Terminate", "-k", "", false, true, {}},
                      SOptionCase{"EjectByLabel", "-e corvana", "", false, false, {"sr1", "sr10"}},
                      SOptionCase{"EjectWithoutBlank", "-e", "", false, false, {}},
                      SOptionCase{"EjectLabelGlued", "-ecorvana", "", false, false, {}},
                      SOptionCase{"EjectUnknownLabel", "-e nothing", "", false, false, {}},
                      SOptionCase{"TrailingWords", "-t now", "", false, false, {}},
                      SOptionCase{"Unknown", "-x", "", false, false, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(OneShotOptions, ScheduleHandsAtTheTimeAndTheJob)
{
    ASSERT_TRUE(CScheduler::Schedule(LocalTime(14, 7, 55), "/opt/it's here/veku"));
    EXPECT_EQ(m_tree.Dir().read("at.args"), "14:09\n");
    EXPECT_EQ(m_tree.Dir().read("at.job"), "'/opt/it'\\''s here/veku' -T\n");
}

TEST_F(OneShotOptions, DriverChoiceCoversEveryInstanceAndBindsAsRoot)
{
    const auto store = CKeyStore::FromEnvironment();
    const std::string other = std::string(CDriverChoice::DeviceKey) + "\\5&1f&0&2";
    ASSERT_TRUE(store.CreateKey(other));
    CDriverChoice(store, CSysfs(m_tree.Root()), true).Set(CDriverChoice::MassStorage);

    EXPECT_EQ(store.SubKeys(CDriverChoice::DeviceKey), (std::vector<std::string>{"055505200000", "5&1f&0&2"}));
    EXPECT_EQ(store.ReadValue(other, "Service"), "USBSTOR");
    EXPECT_EQ(store.ReadValue(Instance, "Service"), "USBSTOR");
    const std::string drivers = m_tree.Root() + "/bus/usb/drivers/";
    EXPECT_EQ(m_tree.Dir().read("sys/bus/usb/drivers/usb-storage/new_id"), "9e3c 6502");
    EXPECT_EQ(m_tree.Dir().read("sys/bus/usb/drivers/option/remove_id"), "9e3c 6502");
    EXPECT_EQ(m_tree.Dir().read("sys/bus/usb/drivers/option/unbind"), "1-2:1.2");
    EXPECT_EQ(m_tree.Dir().read("sys/bus/usb/drivers/usb-storage/bind"), "1-2:1.2");
}

TEST_F(OneShotOptions, DriverChoiceWithNoDeviceAndNoKeyDoesNothing)
{
    m_tree.Remove("1-2");
    const auto store = CKeyStore::FromEnvironment();
    CDriverChoice(store, CSysfs(m_tree.Root()), false).Set(CDriverChoice::Composite);
    EXPECT_FALSE(store.KeyExists(CDriverChoice::DeviceKey));
}

TEST(CdEject, VolumeLabels)
{
    TempDir dir;
    dir.write("plain", IsoImage("CORVANA"));
    dir.write("blank", IsoImage(""));
    dir.write("noiso", IsoImage("CORVANA", false));
    dir.write("short", IsoImage("CORVANA").substr(0, 16 * 2048 + 50));
    EXPECT_EQ(CCdEject::VolumeLabel(dir.str() + "/plain"), "CORVANA");
    EXPECT_EQ(CCdEject::VolumeLabel(dir.str() + "/blank"), "");
    EXPECT_EQ(CCdEject::VolumeLabel(dir.str() + "/noiso"), std::nullopt);
    EXPECT_EQ(CCdEject::VolumeLabel(dir.str() + "/short"), std::nullopt);
    EXPECT_EQ(CCdEject::VolumeLabel(dir.str() + "/missing"), std::nullopt);
}

TEST(CdEject, OnlyDrivesNamedSrInNumericOrder)
{
    TempDir dir;
    for (const char* name : {"sr10", "sr2", "sr", "sra", "scd0", "sr0x"})
        dir.write(name, "");
    std::vector<std::string> names;
    for (const auto& drive : CCdEject(dir.str()).Drives())
        names.push_back(fs::path(drive).filename().string());
    EXPECT_EQ(names, (std::vector<std::string>{"sr2", "sr10"}));
}

TEST(ProcessKiller, FirstMatchInPidOrderWithTheDeletedMarkIgnored)
{
    TempDir proc;
    const auto exe = [&](const std::string& pid, const std::string& target) {
        fs::create_directories(proc / pid);
        fs::create_symlink(target, proc / pid / "exe");
    };
    exe("100", "/opt/brivex/veku");
    exe("20", "/opt/old/Veku (deleted)");
    exe("3", "/usr/bin/bash");
    fs::create_directories(proc / "2");  // a kernel thread: no exe link
    fs::create_directories(proc / "self");
    std::vector<pid_t> killed;
    const CProcessKiller killer(proc.str(), [&](pid_t pid) { killed.push_back(pid); return true; });
    EXPECT_EQ(killer.TerminateFirst("VEKU"), 20);
    EXPECT_EQ(killed, std::vector<pid_t>{20});
    EXPECT_EQ(killer.TerminateFirst("NOBODY"), std::nullopt);
}

TEST(ProcessKiller, TerminatesARealProcessOfThatName)
{
    // A copy of sleep under a name no other process on this machine carries.
    TempDir dir;
    const std::string name = "vekutest" + std::to_string(::getpid());
    fs::copy_file("/bin/sleep", dir / name);
    fs::permissions(dir / name, fs::perms(0755));
    const pid_t child = CChildProcess::Start({(dir / name).string(), "30"}, {});
    ASSERT_GT(child, 0);
    ASSERT_TRUE(test::WaitUntil([&] { return CProcessKiller().ExecutableName(child) == name; }, 10s));

    EXPECT_EQ(CProcessKiller().TerminateFirst(CUlvoApp::UpperCase(name)), child);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
}

}  // namespace
}  // namespace brivex
