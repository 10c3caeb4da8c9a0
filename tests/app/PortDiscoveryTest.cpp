#include "app/CPortDiscovery.h"
#include "app/CReg.h"

#include "support/EnvGuard.h"
#include "support/FakeSysfs.h"

#include <gtest/gtest.h>

namespace brivex {
namespace {

using test::EnvGuard;
using test::FakeSysfs;

class PortDiscoveryTest : public ::testing::Test {
protected:
    FakeSysfs tree;
    EnvGuard sysfs{"BRIVEX_SYSFS", tree.root()};

    // The modem as it enumerates: interfaces 00, 01 and 02 on ttyUSB<base+i>.
    void addModem(const std::string& driver, const std::string& device, const std::string& pid, int base)
    {
        for (int i = 0; i < 3; ++i)
            tree.addPort(driver, base + i, device, "9e3c", pid, i);
    }
};

TEST_F(PortDiscoveryTest, FindsBothPortsOfTheCurrentModem)
{
    addModem("option1", "1-2", "6502", 0);
    CPortDiscovery diag;
    EXPECT_EQ(diag.FindDiagnosticPort(), 3);  // ttyUSB2 is COM3
    EXPECT_EQ(diag.DriverType(), 1);
    EXPECT_EQ(diag.MatchKind(), 2);
    EXPECT_EQ(diag.DriverKeyName(), CPortDiscovery::kNewDriverKey);

    CPortDiscovery voice;
    EXPECT_EQ(voice.FindVoicePort(), 2);
    EXPECT_EQ(voice.MatchKind(), 0);
}

TEST_F(PortDiscoveryTest, InstancePathsAreBuiltFromTheParents)
{
    addModem("option1", "1-2", "6502", 0);
    const auto ports = CReg::DriverPorts(CReg::DriverDirectory("qvusbser"));
    ASSERT_TRUE(ports);
    ASSERT_EQ(ports->size(), 3u);
    EXPECT_EQ((*ports)[2].instance, "USB\\VID_9E3C&PID_6502&MI_02\\1-2:1.2");
    CReg reg(CReg::Root::LocalMachine, "SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_9E3C&PID_6502&MI_02\\1-2:1.2\\Device Parameters");
    EXPECT_EQ(reg.ReadString("PortName", std::string("Not Find")), "COM3");
}

TEST_F(PortDiscoveryTest, OnlyTheOlderDriverServesTheVoicePortButNoDiagnosticPort)
{
    tree.addPort("qcserial", 4, "1-3", "9e3c", "6501", 2);
    CPortDiscovery diag;
    EXPECT_EQ(diag.FindDiagnosticPort(), 0);
    EXPECT_EQ(diag.DriverType(), 0);
    EXPECT_EQ(diag.DriverKeyName(), CPortDiscovery::kOldDriverKey);
    CPortDiscovery voice;
    EXPECT_EQ(voice.FindVoicePort(), 5);
}

TEST_F(PortDiscoveryTest, AnEmptyNewDriverFallsBackToTheOlderOne)
{
    tree.addDriver("option1");
    tree.addPort("qcserial", 0, "1-3", "9e3c", "6502", 2);
    CPortDiscovery diag;
    EXPECT_EQ(diag.FindDiagnosticPort(), 1);
    EXPECT_EQ(diag.DriverType(), 0);
}

TEST_F(PortDiscoveryTest, NeitherDriverPresent)
{
    CPortDiscovery diag;
    EXPECT_EQ(diag.FindDiagnosticPort(), 0);
    EXPECT_EQ(diag.DriverType(), -1);
    EXPECT_EQ(diag.DriverKeyName(), CPortDiscovery::kNewDriverKey);
    CPortDiscovery voice;
    EXPECT_EQ(voice.FindVoicePort(), 0);
}

TEST_F(PortDiscoveryTest, AnInterfaceWithoutVoiceOrDiagnosticMarkerIsIgnored)
{
    tree.addPort("option1", 0, "1-2", "9e3c", "6502", 0);
    CPortDiscovery diag;
    EXPECT_EQ(diag.FindDiagnosticPort(), 0);
    EXPECT_EQ(diag.DriverType(), 1);
    CPortDiscovery voice;
    EXPECT_EQ(voice.FindVoicePort(), 0);
}

TEST_F(PortDiscoveryTest, TheFirstOfSeveralMatchesWins)
{
    addModem("option1", "1-2", "6502", 3);
    addModem("option1", "1-4", "6502", 0);
    CPortDiscovery diag;
    EXPECT_EQ(diag.FindDiagnosticPort(), 3);  // ttyUSB2 of 1-4 comes first in port order
    CPortDiscovery voice;
    EXPECT_EQ(voice.FindVoicePort(), 2);
}

TEST_F(PortDiscoveryTest, TwoDigitPortNumbers)
{
    addModem("option1", "1-2", "6502", 9);
    CPortDiscovery diag;
    EXPECT_EQ(diag.FindDiagnosticPort(), 12);  // ttyUSB11 is COM12
    CPortDiscovery voice;
    EXPECT_EQ(voice.FindVoicePort(), 11);
}

TEST_F(PortDiscoveryTest, OtherProductIdsOfTheFamilyServeOnlyVoice)
{
    tree.addPort("option1", 0, "1-2", "9e3c", "6202", 1);
    tree.addPort("option1", 1, "1-2", "9e3c", "6202", 2);
    CPortDiscovery diag;
    EXPECT_EQ(diag.FindDiagnosticPort(), 0);
    CPortDiscovery voice;
    EXPECT_EQ(voice.FindVoicePort(), 1);
}

TEST_F(PortDiscoveryTest, BrokenTreesGiveNotFound)
{
    tree.addDanglingPort("option1", 0);
    tree.addPort("option1", 1, "1-2", "9e3c", "6502", 2);
    tree.removeAttribute("1-2/idProduct");
    CPortDiscovery diag;
    EXPECT_EQ(diag.FindDiagnosticPort(), 0);
    EXPECT_EQ(diag.DriverType(), 1);  // two instances are listed, neither readable
}

TEST(RegTest, UnknownKeysAndValuesGiveTheDefault)
{
    CReg reg(CReg::Root::LocalMachine, "SYSTEM\\CurrentControlSet\\Services\\nosuch\\Enum");
    EXPECT_EQ(reg.ReadDword("Count", 77), 77u);
    reg.SetKey(CReg::Root::LocalMachine, CPortDiscovery::kNewDriverKey);
    EXPECT_EQ(reg.ReadString("x1", std::string("d")), "d");
    EXPECT_EQ(reg.ReadDword("Other", 5), 5u);
}

}  // namespace
}  // namespace brivex
