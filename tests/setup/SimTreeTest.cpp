// The simulated modem's own device tree, as the demo runs veku against it.
#if __has_include("CSimDeviceTree.h")
#include "CSimDeviceTree.h"
#include "support/TempDir.h"

#include "setup/CLaunchWatcher.h"

#include <gtest/gtest.h>
#include <sstream>

namespace brivex {
namespace {

TEST(SimTree, DiagnosticInterfaceOfTheSimulatedModemIsStarted)
{
    test::TempDir dir;
    sim::CSimDeviceTree tree(dir.path(), {});
    tree.Build();
    std::ostringstream out;
    CLaunchWatcher::SConfig config;
    config.sysfsRoot = tree.SysfsRoot().string();
    config.out = &out;
    CLaunchWatcher watcher(config);
    watcher.RunPass();
    EXPECT_EQ(out.str(), "USB\\VID_9E3C&PID_6502&MI_02\\1-2:1.2\n");
    EXPECT_TRUE(watcher.TakeLaunchRequest());
    tree.Remove();
    watcher.RunPass();
    EXPECT_EQ(watcher.State().deviceRunning, 0);
}

}  // namespace
}  // namespace brivex
#endif
