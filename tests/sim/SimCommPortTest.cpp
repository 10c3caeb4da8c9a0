// The program's serial port against the simulated modem, end to end.
#include "CSimModem.h"
#include "link/CCommPort.h"
#include "support/EnvGuard.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <memory>

namespace brivex::test {
namespace {

class SimCommPortTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim::CSimModem::Options options;
        options.base = dir.path() / "B";
        options.hexlog = (dir.path() / "hex.log").string();
        options.tree.portBase = 10;  // two-digit port names
        modem = std::make_unique<sim::CSimModem>(options);
        std::string error;
        ASSERT_TRUE(modem->Start(error)) << error;
        devDir = std::make_unique<EnvGuard>("BRIVEX_DEVDIR", modem->Tree().DevDir().string());
        sysDir = std::make_unique<EnvGuard>("BRIVEX_SYSDIR", modem->Tree().SysDir().string());
        port.SetPortNumber(10 + sim::CSimModem::kDiagInterface + 1);  // COM<n+1> is ttyUSB<n>
        port.SetEventMask(CCommPort::kEvRxFlag);
        ASSERT_TRUE(port.OpenPort()) << port.DevicePath();
    }

    void TearDown() override
    {
        port.ClosePort();
        modem->Stop();
        if (HasFailure()) {
            std::ifstream log(dir.path() / "hex.log");
            std::cerr << "---- simulator exchange log ----\n" << log.rdbuf() << "--------\n";
        }
    }

    int Status(std::uint32_t timeoutMs = 3000)
    {
        const std::uint8_t request[] = {0xCF, 0x01, 0x00};
        return port.Transact(request, response, sizeof request, timeoutMs);
    }

    TempDir dir;
    std::unique_ptr<sim::CSimModem> modem;
    std::unique_ptr<EnvGuard> devDir;
    std::unique_ptr<EnvGuard> sysDir;
    CCommPort port;
    std::uint8_t response[1605] = {};
};

TEST_F(SimCommPortTest, TransactGetsTheStatusRecord)
{
    ASSERT_TRUE(modem->Command("signal 33 44").rfind("ok", 0) == 0);
    ASSERT_EQ(Status(), CCommPort::kAnswer);
    EXPECT_EQ(port.LastResponseLength(), 26u);
    EXPECT_EQ(response[9], 0x82);
    EXPECT_EQ(response[14], 33);
    EXPECT_EQ(response[15], 44);
}

TEST_F(SimCommPortTest, FaultsGiveTheTransactionCodes)
{
    struct Case {
        const char* command;
        int result;
    };
    const Case cases[] = {
        {"corrupt 1", CCommPort::kNoAnswer},
        {"garbage", CCommPort::kAnswer},
        {"unsolicited CF 02 00 00 00", CCommPort::kAnswer},  // same code, other sub-command: not this answer
        {"drop 1", CCommPort::kTimeout},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        ASSERT_EQ(modem->Command(c.command).rfind("ok", 0), 0u);
        EXPECT_EQ(Status(1000), c.result);
        if (c.result == CCommPort::kAnswer) {
            EXPECT_EQ(response[0], 0xCF);
            EXPECT_EQ(response[1], 0x01);
        } else {
            EXPECT_EQ(response[0], 0xFF);
        }
        ASSERT_EQ(Status(), CCommPort::kAnswer) << "the next transaction is clean";
    }
}

TEST_F(SimCommPortTest, UnplugFailsTheTransactionWithoutHanging)
{
    ASSERT_EQ(modem->Command("unplug"), "ok unplugged");
    const int result = Status(1000);
    EXPECT_TRUE(result == CCommPort::kWriteFailed || result == CCommPort::kTimeout) << result;
    EXPECT_TRUE(port.ClosePort());

    ASSERT_EQ(modem->Command("replug"), "ok replugged");
    ASSERT_TRUE(port.OpenPort());
    EXPECT_EQ(Status(), CCommPort::kAnswer);
}

}  // namespace
}  // namespace brivex::test
