#include "CFakeUsbTree.h"

#include "setup/CLaunchWatcher.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace brivex {
namespace {

using namespace std::chrono_literals;
using test::CFakeUsbTree;
using test::SFakeDevice;
using test::WaitUntil;

std::vector<std::string> Lines(const std::string& path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// A watcher on a fake tree with a stand-in main program that records each start.
class LaunchWatcherTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_tree.Dir().write("app/OVL/Brivex", "#!/bin/sh\necho \"start $PWD\" >> '" + Record() + "'\n");
        std::filesystem::permissions(m_tree.Dir() / "app/OVL/Brivex", std::filesystem::perms(0755));
        std::filesystem::create_directories(m_tree.Dir() / "run");
    }

    CLaunchWatcher::SConfig Config()
    {
        CLaunchWatcher::SConfig config;
        config.ownName = "VEKU";
        config.ownDirectory = (m_tree.Dir() / "app").string();
        config.sysfsRoot = m_tree.Root();
        config.lockDirectory = (m_tree.Dir() / "run").string();
        config.cycle = 100ms;
        config.out = &m_out;
        return config;
    }

    std::string Record() const { return (m_tree.Dir() / "starts.txt").string(); }
    std::size_t Starts() const { return Lines(Record()).size(); }

    static bool WaitPasses(const CLaunchWatcher& watcher, int more)
    {
        const int target = watcher.Passes() + more;
        return WaitUntil([&] { return watcher.Passes() >= target; }, 20s);
    }

    CFakeUsbTree m_tree;
    std::ostringstream m_out;
};

TEST_F(LaunchWatcherTest, AttachRemoveAttachStartsTheMainProgramOncePerAttachment)
{
    m_tree.Add(SFakeDevice{});
    CLaunchWatcher watcher(Config());
    ASSERT_TRUE(watcher.AcquireLock());
    watcher.Start();

    ASSERT_TRUE(WaitUntil([&] { return Starts() == 1; }, 20s));
    EXPECT_EQ(Lines(Record())[0], "start " + (m_tree.Dir() / "app/OVL").string());
    ASSERT_TRUE(WaitPasses(watcher, 3));
    EXPECT_EQ(Starts(), 1u);

    m_tree.Remove("1-2");
    ASSERT_TRUE(WaitPasses(watcher, 3));
    EXPECT_EQ(Starts(), 1u);

    m_tree.Add(SFakeDevice{});
    ASSERT_TRUE(WaitUntil([&] { return Starts() == 2; }, 20s));
    ASSERT_TRUE(WaitPasses(watcher, 4));
    watcher.Stop();
    EXPECT_EQ(Starts(), 2u);
    EXPECT_EQ(watcher.Launches(), 2);
}

TEST_F(LaunchWatcherTest, DisabledInterfaceStartsNothing)
{
    SFakeDevice modem;
    modem.interfaces[2].authorized = "0";
    modem.interfaces[2].bound = false;
    m_tree.Add(modem);
    CLaunchWatcher watcher(Config());
    watcher.Start();
    ASSERT_TRUE(WaitPasses(watcher, 5));
    watcher.Stop();
    EXPECT_EQ(watcher.Launches(), 0);
    EXPECT_EQ(watcher.State().deviceRunning, 0);
    EXPECT_FALSE(std::filesystem::exists(Record()));
}

TEST_F(LaunchWatcherTest, MissingMainProgramIsIgnoredAndPollingGoesOn)
{
    std::filesystem::remove(m_tree.Dir() / "app/OVL/Brivex");
    m_tree.Add(SFakeDevice{});
    CLaunchWatcher watcher(Config());
    watcher.Start();
    ASSERT_TRUE(WaitUntil([&] { return watcher.Launches() == 1; }, 20s));
    ASSERT_TRUE(WaitPasses(watcher, 2));
    watcher.Stop();
}

TEST_F(LaunchWatcherTest, OneWatcherPerOwnName)
{
    auto first = std::make_unique<CLaunchWatcher>(Config());
    ASSERT_TRUE(first->AcquireLock());
    EXPECT_EQ(first->LockPath(), (m_tree.Dir() / "run/VEKU_MUTEX").string());

    CLaunchWatcher second(Config());
    EXPECT_FALSE(second.AcquireLock());

    auto otherConfig = Config();
    otherConfig.ownName = "VEKU2";
    CLaunchWatcher other(otherConfig);
    EXPECT_TRUE(other.AcquireLock());

    first.reset();
    CLaunchWatcher third(Config());
    EXPECT_TRUE(third.AcquireLock());
}

}  // namespace
}  // namespace brivex
