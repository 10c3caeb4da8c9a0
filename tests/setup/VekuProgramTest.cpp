#include "CFakeUsbTree.h"
#include "support/EnvGuard.h"

#include "platform/CChildProcess.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <regex>
#include <sys/wait.h>
#include <unistd.h>

namespace brivex {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::CFakeUsbTree;
using test::EnvGuard;
using test::SFakeDevice;
using test::WaitUntil;

fs::path BuiltVeku()
{
    if (const char* build = std::getenv("BRIVEX_BUILD_DIR"); build && *build)
        return fs::path(build) / "bin/veku";
    // Run by hand: the suite lives in <build>/tests/setup.
    return fs::read_symlink("/proc/self/exe").parent_path().parent_path().parent_path() / "bin/veku";
}

// The real program, copied under a name of its own (so "-K" can only ever
// find this test's processes), with a stand-in main program in OVL.
class VekuProgram : public ::testing::Test {
protected:
    VekuProgram()
        : m_name("veku" + std::to_string(::getpid())),
          m_sysfs("BRIVEX_SYSFS", m_tree.Root()),
          m_sysdir("BRIVEX_SYSDIR", (m_tree.Dir() / "sysdir").string()),
          m_runtime("XDG_RUNTIME_DIR", (m_tree.Dir() / "run").string()),
          m_path("PATH", (m_tree.Dir() / "bin").string() + ":" + std::getenv("PATH"))
    {
    }

    void SetUp() override
    {
        if (!fs::exists(BuiltVeku()))
            GTEST_SKIP() << "no veku at " << BuiltVeku();
        fs::create_directories(m_tree.Dir() / "run");
        fs::create_directories(m_tree.Dir() / "app");
        fs::copy_file(BuiltVeku(), Program());
        m_tree.Dir().write("app/OVL/Brivex", "#!/bin/sh\necho \"$PWD\" >> '" + File("starts") + "'\n");
        m_tree.Dir().write("bin/at", "#!/bin/sh\necho \"$@\" > '" + File("at.args") + "'\ncat > '" + File("at.job") + "'\n");
        for (const char* script : {"app/OVL/Brivex", "bin/at"})
            fs::permissions(m_tree.Dir() / script, fs::perms(0755));
    }

    void TearDown() override
    {
        for (const pid_t pid : m_children) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }

    std::string UpperName() const
    {
        std::string upper = m_name;
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return upper;
    }
    std::string Program() const { return (m_tree.Dir() / "app" / m_name).string(); }
    std::string File(const std::string& name) const { return (m_tree.Dir() / name).string(); }

    pid_t Start(const std::vector<std::string>& options)
    {
        std::vector<std::string> argv{Program()};
        argv.insert(argv.end(), options.begin(), options.end());
        CChildProcess::SOptions spawn;
        spawn.outputFile = File("output");
        const pid_t pid = CChildProcess::Start(argv, spawn);
        if (pid > 0)
            m_children.push_back(pid);
        return pid;
    }

    // Exit status within the time-out; -1 when it did not end (or was killed).
    int Finish(pid_t pid, std::chrono::milliseconds timeout)
    {
        const auto status = CChildProcess::Wait(pid, timeout);
        if (status)
            std::erase(m_children, pid);
        return status.value_or(-1);
    }

    CFakeUsbTree m_tree;
    std::string m_name;
    EnvGuard m_sysfs, m_sysdir, m_runtime, m_path;
    std::vector<pid_t> m_children;
};

TEST_F(VekuProgram, SecondWatcherExitsAndKillEndsTheFirstWithStatusZero)
{
    m_tree.Add(SFakeDevice{});
    const pid_t first = Start({});
    ASSERT_GT(first, 0);
    // The modem is already there: the first pass launches the main program.
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(File("starts")); }, 20s));
    EXPECT_EQ(m_tree.Dir().read("starts"), (m_tree.Dir() / "app/OVL").string() + "\n");
    EXPECT_TRUE(fs::exists(m_tree.Dir() / "run" / (UpperName() + "_MUTEX")));

    EXPECT_EQ(Finish(Start({}), 20s), 0);
    EXPECT_EQ(::waitpid(first, nullptr, WNOHANG), 0) << "the first watcher must still run";

    EXPECT_EQ(Finish(Start({"-k"}), 20s), 0);
    EXPECT_EQ(Finish(first, 20s), 0);
    EXPECT_NE(m_tree.Dir().read("output").find("USB\\VID_9E3C&PID_6502&MI_02\\1-2:1.2\n"), std::string::npos);
}

TEST_F(VekuProgram, LowerCaseScheduleRunsAtFromThePath)
{
    EXPECT_EQ(Finish(Start({"-d"}), 20s), 0);
    const std::string args = m_tree.Dir().read("at.args");
    EXPECT_TRUE(std::regex_match(args, std::regex("([0-9]|1[0-9]|2[0-3]):[0-5][0-9]\n"))) << args;
    EXPECT_EQ(m_tree.Dir().read("at.job"), "'" + Program() + "' -T\n");
}

TEST_F(VekuProgram, OneShotOptionsPrintNothing)
{
    m_tree.Add(SFakeDevice{});
    for (const char* option : {"-e", "-E nolabel", "-x", "-r"})
        EXPECT_EQ(Finish(Start({option}), 20s), 0) << option;
    EXPECT_EQ(m_tree.Dir().read("output"), "");
    EXPECT_FALSE(fs::exists(File("starts")));
}

}  // namespace
}  // namespace brivex
