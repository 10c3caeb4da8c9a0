#include "CDialupWorld.h"
#include "dialup/CDialupEntry.h"
#include "dialup/CRasClient.h"
#include "support/EnvGuard.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <thread>

namespace brivex::test {
namespace {

using namespace std::chrono_literals;

// The machine's own pppd, once: without kernel PPP support it must fail as a
// dial error with pppd's text, and the client must not hang. The test runs
// only where that premise holds (pppd installed, no /dev/ppp), and the entry
// is told not to touch the default route even so.
TEST(RealPppd, MissingKernelSupportIsADialError)
{
    if (!std::filesystem::exists("/usr/sbin/pppd"))
        GTEST_SKIP() << "/usr/sbin/pppd is not installed";
    if (std::filesystem::exists("/dev/ppp"))
        GTEST_SKIP() << "this machine has kernel PPP support; a real link is not for tests";
    CDialupWorld world;
    EnvGuard real("BRIVEX_PPPD", std::nullopt);  // the default, /usr/sbin/pppd
    CRasClient client;
    client.LoadStatisticsFunctions();
    std::string failure;
    ASSERT_TRUE(CDialupEntry::CreateOrUpdate(&client, "#777", "u", "p", failure));
    std::string device;
    client.FindModemDevice(device);
    ASSERT_EQ(client.SetEntryOptions(CDialupEntry::kEntryName, ras::kOptRemoteDefaultGateway, false, "modem", device,
                                     CDialupEntry::kPhonebook),
              0);

    std::mutex mutex;
    int error = 0;
    bool ended = false;
    ASSERT_EQ(client.Dial(CDialupEntry::kEntryName,
                          [&](unsigned, int state, int e, int) {
                              std::lock_guard lock(mutex);
                              if (e && !error)
                                  error = e;
                              ended = ended || state == ras::kDisconnected;
                          },
                          "#777", "u", "p", "", CDialupEntry::kPhonebook),
              0);
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    for (;;) {
        {
            std::lock_guard lock(mutex);
            if (ended)
                break;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            client.HangUp(CDialupEntry::kEntryName);
            FAIL() << "pppd did not end";
        }
        std::this_thread::sleep_for(20ms);
    }
    EXPECT_EQ(error, 4);
    std::string text;
    CRasClient::ErrorText(error, 0, text);
    EXPECT_EQ(text, "The kernel does not support PPP: the PPP kernel driver is not included or cannot be loaded.");
    bool connected = true;
    EXPECT_EQ(client.StatusText(text, connected), 1);
    EXPECT_FALSE(connected);
    EXPECT_EQ(client.HangUp(CDialupEntry::kEntryName), 1);
}

}  // namespace
}  // namespace brivex::test
