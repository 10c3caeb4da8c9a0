#include "CFakeUsbTree.h"

#include "setup/CDeviceMatcher.h"
#include "setup/CDeviceStatus.h"
#include "setup/CLaunchWatcher.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

namespace brivex {
namespace {

using test::CFakeUsbTree;
using test::SFakeDevice;

constexpr const char* Diagnostic = "USB\\VID_9E3C&PID_6502&MI_02";

// The watcher's pass over a tree, with the instance lines kept.
struct SPassRun {
    int result = -1;
    std::string lines;
    SLaunchState state;
};

std::vector<SPassRun> RunPasses(const std::string& root, int passes, const std::string& pattern = Diagnostic)
{
    std::ostringstream out;
    CLaunchWatcher::SConfig config;
    config.sysfsRoot = root;
    config.pattern = pattern;
    config.out = &out;
    CLaunchWatcher watcher(config);
    std::vector<SPassRun> runs;
    for (int i = 0; i < passes; ++i) {
        SPassRun run;
        run.result = watcher.RunPass();
        run.lines = out.str();
        out.str("");
        run.state = watcher.State();
        watcher.TakeLaunchRequest();
        runs.push_back(run);
    }
    return runs;
}

struct SStatusCase {
    const char* name;
    std::function<void(SFakeDevice&)> change;
    int memoryAfter;
    bool launchFirstPass;
    bool launchSecondPass;
};

void PrintTo(const SStatusCase& c, std::ostream* os) { *os << c.name; }

class StatusCases : public ::testing::TestWithParam<SStatusCase> {};

TEST_P(StatusCases, MemoryAndLaunchRequestOverTwoPasses)
{
    const SStatusCase& c = GetParam();
    CFakeUsbTree tree;
    SFakeDevice modem;
    c.change(modem);
    tree.Add(modem);

    const auto runs = RunPasses(tree.Root(), 2);
    EXPECT_EQ(runs[0].result, CDeviceMatcher::PassCompleted);
    EXPECT_EQ(runs[0].lines, "USB\\VID_9E3C&PID_6502&MI_02\\1-2:1.2\n");
    EXPECT_EQ(runs[0].state.launchRequest, c.launchFirstPass);
    EXPECT_EQ(runs[1].state.launchRequest, c.launchSecondPass);
    EXPECT_EQ(runs[1].state.deviceRunning, c.memoryAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Variants, StatusCases,
    ::testing::Values(
        SStatusCase{"Started", [](SFakeDevice&) {}, 1, true, false},
        SStatusCase{"DisabledThroughAuthorized", [](SFakeDevice& d) { d.interfaces[2].authorized = "0"; d.interfaces[2].bound = false; }, 0, false, false},
        SStatusCase{"DisabledWithDriverLeft", [](SFakeDevice& d) { d.interfaces[2].authorized = "0"; }, 0, false, false},
        SStatusCase{"NoDriverBound", [](SFakeDevice& d) { d.interfaces[2].bound = false; }, 0, false, false},
        // A problem clears the memory before "started" is tested, so every pass asks again.
        SStatusCase{"StartedWithProblemFlag", [](SFakeDevice& d) { d.interfaces[2].runtimeError = true; }, 1, true, true},
        SStatusCase{"StatusUnreadable", [](SFakeDevice& d) { d.interfaces[2].authorized.reset(); }, 0, false, false},
        SStatusCase{"StatusNonsense", [](SFakeDevice& d) { d.interfaces[2].authorized = "yes"; }, 0, false, false},
        SStatusCase{"OtherInterfaceDisabled", [](SFakeDevice& d) { d.interfaces[0].authorized = "0"; }, 1, true, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DeviceMatch, ProblemFlagOnTheUsbDeviceCountsForItsInterfaces)
{
    CFakeUsbTree tree;
    tree.Add(SFakeDevice{});
    tree.WriteFile(tree.DevicePath("1-2") + "/power/runtime_status", "error\n");
    const auto runs = RunPasses(tree.Root(), 2);
    EXPECT_TRUE(runs[1].state.launchRequest);
}

TEST(DeviceMatch, TwoMatchingInterfacesResetEachOther)
{
    CFakeUsbTree tree;
    tree.Add(SFakeDevice{});
    SFakeDevice second;
    second.port = "1-3";
    second.serial = "055505200001";
    second.firstTty = 3;
    second.interfaces[2].bound = false;
    tree.Add(second);

    const auto runs = RunPasses(tree.Root(), 2);
    EXPECT_EQ(runs[0].lines, "USB\\VID_9E3C&PID_6502&MI_02\\1-2:1.2\nUSB\\VID_9E3C&PID_6502&MI_02\\1-3:1.2\n");
    EXPECT_TRUE(runs[0].state.launchRequest);
    EXPECT_EQ(runs[0].state.deviceRunning, 0);
    EXPECT_TRUE(runs[1].state.launchRequest);
}

struct SPatternCase {
    const char* name;
    const char* pattern;
    int matches;
};

void PrintTo(const SPatternCase& c, std::ostream* os) { *os << c.name; }

class PatternCases : public ::testing::TestWithParam<SPatternCase> {};

TEST_P(PatternCases, CountsWholeEntryMatchesIgnoringCase)
{
    CFakeUsbTree tree;
    SFakeDevice modem;
    modem.interfaces[1].cls = "0a";  // a data-class interface in the middle
    tree.Add(modem);
    SPassContext context;
    context.flags = 0;
    const CDeviceMatcher matcher{CSysfs(tree.Root())};
    EXPECT_EQ(matcher.RunPass(GetParam().pattern, context, nullptr), CDeviceMatcher::PassCompleted);
    EXPECT_EQ(context.count, GetParam().matches);
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, PatternCases,
    ::testing::Values(SPatternCase{"HardwareId", "USB\\VID_9E3C&PID_6502&MI_02", 1},
                      SPatternCase{"HardwareIdWithRevision", "USB\\VID_9E3C&PID_6502&REV_0000&MI_00", 1},
                      SPatternCase{"LowerCasePattern", "usb\\vid_9e3c&pid_6502&mi_02", 1},
                      SPatternCase{"CompatibleOnly", "USB\\Class_FF&SubClass_FF&Prot_FF", 2},
                      SPatternCase{"CompatibleClassOnly", "usb\\class_0a", 1},
                      SPatternCase{"PrefixIsNoMatch", "USB\\VID_9E3C&PID_6502", 0},
                      SPatternCase{"LongerIsNoMatch", "USB\\VID_9E3C&PID_6502&MI_021", 0},
                      SPatternCase{"OtherProduct", "USB\\VID_9E3C&PID_6501&MI_02", 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DeviceMatch, IdentifierListsOfAnInterface)
{
    CFakeUsbTree tree;
    tree.Add(SFakeDevice{});
    const auto node = CUsbInterfaceList::Describe(tree.InterfacePath("1-2", 2));
    ASSERT_TRUE(node);
    EXPECT_EQ(node->hardwareIds,
              (std::vector<std::string>{"USB\\VID_9E3C&PID_6502&REV_0000&MI_02", "USB\\VID_9E3C&PID_6502&MI_02"}));
    EXPECT_EQ(node->compatibleIds,
              (std::vector<std::string>{"USB\\Class_FF&SubClass_FF&Prot_FF", "USB\\Class_FF&SubClass_FF", "USB\\Class_FF"}));
    EXPECT_EQ(node->instanceId, "USB\\VID_9E3C&PID_6502&MI_02\\1-2:1.2");
}

TEST(DeviceMatch, LowerCaseEntriesMatchTheUpperCasePattern)
{
    SDeviceNode node;
    node.compatibleIds = {"usb\\vid_9e3c&pid_6502&mi_02"};
    EXPECT_TRUE(CDeviceMatcher::Matches(node, Diagnostic));
}

TEST(DeviceMatch, UnreadableIdentifiersLeaveTheirListOut)
{
    CFakeUsbTree tree;
    tree.Add(SFakeDevice{});
    std::filesystem::remove(tree.DevicePath("1-2") + "/idVendor");
    tree.WriteFile(tree.InterfacePath("1-2", 2) + "/bInterfaceClass", "zz\n");
    const auto node = CUsbInterfaceList::Describe(tree.InterfacePath("1-2", 2));
    ASSERT_TRUE(node);
    EXPECT_TRUE(node->hardwareIds.empty());
    EXPECT_TRUE(node->compatibleIds.empty());
    EXPECT_EQ(node->instanceId, "?");
}

TEST(DeviceMatch, OverlongInstanceIdentifierIsUnknown)
{
    CFakeUsbTree tree;
    const std::string longName(220, 'x');
    tree.WriteFile(tree.Root() + "/devices/" + longName + "/idVendor", "9e3c\n");
    tree.WriteFile(tree.Root() + "/devices/" + longName + "/idProduct", "6502\n");
    const std::string itf = tree.Root() + "/devices/" + longName + "/" + longName.substr(0, 200) + ":1.2";
    tree.WriteFile(itf + "/bInterfaceNumber", "02\n");
    const auto node = CUsbInterfaceList::Describe(itf);
    ASSERT_TRUE(node);
    EXPECT_EQ(node->instanceId, "?");
    EXPECT_EQ(node->hardwareIds.size(), 1u);
}

TEST(DeviceMatch, NoDeviceListGivesTwoAndClearsTheMemory)
{
    test::TempDir empty;
    const auto runs = RunPasses(empty.str(), 1);
    EXPECT_EQ(runs[0].result, CDeviceMatcher::NoDeviceList);
    EXPECT_EQ(runs[0].state.deviceRunning, 0);
    EXPECT_TRUE(runs[0].lines.empty());
}

}  // namespace
}  // namespace brivex
