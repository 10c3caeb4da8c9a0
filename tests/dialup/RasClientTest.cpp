#include "CDialupWorld.h"
#include "dialup/CDialupEntry.h"
#include "dialup/CPppdCommand.h"
#include "dialup/CRasClient.h"
#include "dialup/CRasDevices.h"
#include "dialup/CRasPhonebook.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sys/stat.h>
#include <thread>

namespace brivex::test {
namespace {

using namespace std::chrono_literals;

constexpr const char* kEntry = CDialupEntry::kEntryName;
constexpr const char* kBook = CDialupEntry::kPhonebook;

unsigned ModeOf(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 0777) : 0;
}

template <class F>
bool WaitUntil(F&& f, std::chrono::milliseconds timeout = 15s)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!f()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

// What a dial's progress callback saw.
struct Progress {
    std::mutex mutex;
    std::vector<int> states;
    int error = 0;
    int extended = 0;
    CRasClient::DialCallback Callback()
    {
        return [this](unsigned, int state, int e, int x) {
            std::lock_guard lock(mutex);
            states.push_back(state);
            if (e && !error) {
                error = e;
                extended = x;
            }
        };
    }
    bool Ended()
    {
        std::lock_guard lock(mutex);
        return !states.empty() && states.back() == ras::kDisconnected;
    }
};

// --- device rules -------------------------------------------------------------

TEST(RasDevices, MatchRules)
{
    struct Case {
        std::vector<RasDevice> devices;
        int count;
        std::string first;
    } cases[] = {
        {{{"modem", "CORVANA CDMA 1x EV-DO USB Modem", "/dev/ttyUSB0"}}, 1, "CORVANA CDMA 1x EV-DO USB Modem"},
        {{{"MODEM", "corvana usb modem", "/dev/ttyUSB0"}}, 1, "corvana usb modem"},
        {{{"modem", "CORVANA", "/dev/ttyUSB0"}}, 0, ""},  // exactly 7 characters
        {{{"isdn", "CORVANA ISDN adapter", "/dev/ttyUSB0"}}, 0, ""},
        {{{"modem", "Other modem", "/dev/ttyUSB0"},
          {"modem", "CORVANA first", "/dev/ttyUSB1"},
          {"modem", "CORVANA second", "/dev/ttyUSB4"}},
         2,
         "CORVANA first"},
    };
    for (const auto& c : cases) {
        std::string first = "unchanged";
        EXPECT_EQ(CRasDevices::MatchModemDevices(c.devices, first), c.count);
        EXPECT_EQ(first, c.count ? c.first : std::string("unchanged"));
    }
}

TEST(RasDevices, TheModemsDataPortIsItsOnlyDevice)
{
    CDialupWorld world;
    const auto devices = CRasDevices::Enumerate();
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].type, "modem");
    EXPECT_EQ(devices[0].name, "CORVANA CDMA 1x EV-DO USB Modem");
    EXPECT_EQ(devices[0].tty, world.AtTty());
    std::string name;
    EXPECT_EQ(CRasClient().FindModemDevice(name), 1);
    EXPECT_EQ(name, devices[0].name);
}

// --- the phonebook entry ----------------------------------------------------------

TEST(RasEntry, CreateGetUpdateAndOptions)
{
    CDialupWorld world;
    CRasClient client;
    RasEntry entry;
    EXPECT_EQ(client.GetEntry(kEntry, entry, kBook), ras::kNoEntry);
    EXPECT_EQ(client.UpdateEntry(kEntry, {"dev", "1"}, kBook), 0);
    EXPECT_EQ(client.CreateEntry(kEntry, "modem", "Old device", 4, 1, "#123", kBook), 0);
    EXPECT_EQ(client.CreateEntry(kEntry, "modem", "Other", 4, 1, "#1", kBook), ras::kAlreadyExists);
    EXPECT_EQ(client.CreateEntry("../escape", "modem", "x", 4, 1, "#1", kBook), ras::kInvalidName);

    ASSERT_EQ(client.GetEntry(kEntry, entry, kBook), 0);
    EXPECT_EQ(entry.deviceName, "Old device");
    EXPECT_EQ(entry.phoneNumber, "#123");
    EXPECT_EQ(entry.protocols, ras::kProtocolIp);
    EXPECT_EQ(entry.framing, ras::kFramingPpp);
    EXPECT_EQ(entry.options, ras::kProgramOptions);

    EXPECT_EQ(client.SetEntryOptions(kEntry, ras::kOptRemoteDefaultGateway, false, "modem", "Old device", kBook), 0);
    client.GetEntry(kEntry, entry, kBook);
    EXPECT_EQ(entry.options, ras::kProgramOptions & ~ras::kOptRemoteDefaultGateway);
    EXPECT_NE(client.SetEntryOptions("missing", 1, true, "modem", "x", kBook), 0);
}

TEST(RasEntry, ExistingEntryIsUpdatedInPlaceWithItsAccount)
{
    CDialupWorld world;
    CRasClient client;
    ASSERT_EQ(client.CreateEntry(kEntry, "modem", "Old device", 4, 1, "#123", kBook), 0);
    client.SetEntryOptions(kEntry, 0x318, false, "modem", "Old device", kBook);
    ASSERT_EQ(client.SetDialParams(kEntry, "old user", "old password", kBook), 1);

    std::string failure;
    ASSERT_TRUE(CDialupEntry::CreateOrUpdate(&client, "#777", "new user", "new \"secret\"", failure));
    EXPECT_TRUE(failure.empty());
    RasEntry entry;
    ASSERT_EQ(client.GetEntry(kEntry, entry, kBook), 0);
    EXPECT_EQ(entry.deviceName, "CORVANA CDMA 1x EV-DO USB Modem");
    EXPECT_EQ(entry.phoneNumber, "#777");
    EXPECT_EQ(entry.options, ras::kProgramOptions);
    const CRasPhonebook book(kBook);
    const auto params = book.ReadDialParams(kEntry);
    ASSERT_TRUE(params);
    EXPECT_EQ(params->userName, "new user");
    EXPECT_EQ(params->password, "new \"secret\"");
    EXPECT_EQ(ModeOf(book.EntryFile(kEntry, ".dialparams")), 0600u);
    EXPECT_EQ(book.Directory(), world.Modem().Tree().SysDir().string() + "/VOZUDI");
}

TEST(RasEntry, FailuresOfTheProgramsEntry)
{
    CDialupWorld world;
    CRasClient client;
    std::string failure;
    EXPECT_FALSE(CDialupEntry::CreateOrUpdate(nullptr, "#777", "u", "p", failure));

    // A phonebook that cannot be written.
    std::ofstream(world.Modem().Tree().SysDir() / "VOZUDI") << "not a directory";
    EXPECT_FALSE(CDialupEntry::CreateOrUpdate(&client, "#777", "u", "p", failure));
    EXPECT_EQ(failure, "Fail to Set My Network Entry!");

    // No modem device: nothing is created, only the log says so.
    std::filesystem::remove(world.Modem().Tree().SysDir() / "VOZUDI");
    world.Modem().Unplug();
    failure.clear();
    EXPECT_FALSE(CDialupEntry::CreateOrUpdate(&client, "#777", "u", "p", failure));
    EXPECT_TRUE(failure.empty());
    EXPECT_FALSE(CRasPhonebook(kBook).Exists(kEntry));
}

// --- texts --------------------------------------------------------------------------

TEST(RasTexts, ErrorText)
{
    struct Case {
        int error, extended, result;
        std::string text;
    } cases[] = {
        {0, 0, ras::kNoErrorCode, "Fail to get error string"},
        {8, 0, 0, "The connect script failed: the modem did not connect."},
        {19, 3, 0, "The authentication with the remote system failed: check the user name and password. Extended "
                   "Error Code: 3"},
        {4, 0, 0, "The kernel does not support PPP: the PPP kernel driver is not included or cannot be loaded."},
        {9999, 5, ras::kUnknownError, "Fail to get error string"},
    };
    for (const auto& c : cases) {
        std::string text;
        EXPECT_EQ(CRasClient::ErrorText(c.error, c.extended, text), c.result) << c.error;
        EXPECT_EQ(text, c.text);
    }
}

TEST(RasTexts, StateTexts)
{
    EXPECT_STREQ(CRasClient::StateText(0), "Opening\nthe port...");
    EXPECT_STREQ(CRasClient::StateText(19), "User authentication is  being initiated or retried");
    EXPECT_STREQ(CRasClient::StateText(21), "Logging on to the network...");
    EXPECT_STREQ(CRasClient::StateText(22), "");
    EXPECT_STREQ(CRasClient::StateText(4097), "");
    EXPECT_STREQ(CRasClient::StateText(8192), "Connection\nSuccess\nPlease wait...");
    EXPECT_STREQ(CRasClient::StateText(8193), "Disconnected");
}

// --- what pppd is handed ------------------------------------------------------------------

TEST(PppdCommand, PasswordOnlyInTheOptionsFileAndOptionsFollowTheEntry)
{
    CPppdCommand::SInput in;
    in.pppd = "/usr/sbin/pppd";
    in.tty = "/dev/ttyUSB0";
    in.linkName = kEntry;
    in.entry.options = ras::kProgramOptions;
    in.params = {kEntry, "#777", "cdma@corvana.example", "pa\"ss\\word\nx", ""};
    in.optionsFile = "/b/VOZUDI/x.pppd";
    in.chatFile = "/b/it's/x.chat";

    for (bool privileged : {true, false}) {
        in.privileged = privileged;
        const auto argv = CPppdCommand::Arguments(in);
        for (const auto& a : argv)
            EXPECT_EQ(a.find("pa\"ss"), std::string::npos);
        const std::string options = CPppdCommand::OptionsText(in);
        EXPECT_NE(options.find("password \"pa\\\"ss\\\\wordx\"\n"), std::string::npos) << options;
        EXPECT_NE(options.find("\ndefaultroute\n"), std::string::npos);
        EXPECT_EQ(options.find("noccp"), std::string::npos);
        EXPECT_EQ(options.find("novj"), std::string::npos);
        // A normal user's privileged options come from the installed peer file.
        EXPECT_EQ(options.find("noauth") != std::string::npos, privileged);
        EXPECT_EQ(std::find(argv.begin(), argv.end(), "call") != argv.end(), !privileged);
    }
    in.privileged = true;
    EXPECT_NE(CPppdCommand::OptionsText(in).find("'/b/it'\\\\''s/x.chat'"), std::string::npos);

    in.entry.options = ras::kOptModemLights;
    const std::string plain = CPppdCommand::OptionsText(in);
    EXPECT_NE(plain.find("nodefaultroute\n"), std::string::npos);
    EXPECT_NE(plain.find("noccp\n"), std::string::npos);
    EXPECT_NE(plain.find("novj\n"), std::string::npos);

    EXPECT_NE(CPppdCommand::ChatText("#777\"; rm -rf /").find("\"ATDT#777\"\n"), std::string::npos);
}

// --- dialling the stand-in ------------------------------------------------------------------

class RasDial : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string failure;
        ASSERT_TRUE(CDialupEntry::CreateOrUpdate(&client, "#777", "cdma@corvana.example", "KWD", failure));
        client.LoadStatisticsFunctions();
    }
    int Dial() { return client.Dial(kEntry, progress.Callback(), "#777", "cdma@corvana.example", "KWD", "", kBook); }

    CDialupWorld world;
    CRasClient client;
    Progress progress;
};

TEST_F(RasDial, SessionThroughTheModemsDataPort)
{
    ASSERT_EQ(Dial(), 0);
    std::string text;
    bool connected = false;
    ASSERT_TRUE(WaitUntil([&] { return client.StatusText(text, connected) == 1; }));
    EXPECT_TRUE(connected);
    EXPECT_EQ(text, "Connection\nSuccess\nPlease wait...");
    {
        std::lock_guard lock(progress.mutex);
        const std::vector<int> expected{1, 2, 3, 4, 5, 10, 18, 8192};
        EXPECT_EQ(progress.states, expected);
    }
    // The chat script dialled the number on the modem's AT port.
    EXPECT_GE(world.Modem().GetCounters().atCommands, 2u);
    EXPECT_TRUE(world.RecordHas("password-in-file KWD"));
    EXPECT_TRUE(world.RecordHas("linkname-value Corvana NetWork"));
    for (const auto& line : world.Record())
        EXPECT_NE(line.rfind("password-on-command-line", 0), 0u) << line;
    const CRasPhonebook book(kBook);
    EXPECT_TRUE(world.RecordHas("optfile " + book.EntryFile(kEntry, ".pppd") + " 600"));

    RasConnection found;
    ASSERT_EQ(client.FindConnection("corvana network", found), 1);
    EXPECT_EQ(found.linkName, kEntry);
    EXPECT_EQ(found.ifName, "ppp0");

    RasStatistics first, later;
    ASSERT_TRUE(client.GetStatistics(&first));
    // The stand-in updates the two counter files one after the other.
    ASSERT_TRUE(WaitUntil([&] {
        return client.GetStatistics(&later) && later.bytesRcved > first.bytesRcved && later.bytesXmited > 0;
    }));
    EXPECT_LT(later.connectDuration, 60000u);

    EXPECT_EQ(client.HangUp(kEntry), 1);
    EXPECT_FALSE(client.HasHandle());
    EXPECT_TRUE(world.RecordHas("exit 5"));
    EXPECT_FALSE(std::filesystem::exists(world.RunDir() + "/ppp-Corvana NetWork.pid"));
    EXPECT_EQ(client.FindConnection(kEntry, found), 0);
    EXPECT_EQ(progress.error, 0);  // our own hang-up is no error
}

TEST_F(RasDial, EachFailingPhaseReportsPppdsExitStatus)
{
    struct Case {
        const char* options;
        int status;
    } cases[] = {
        {"fake-fail chat 8\n", 8},
        {"fake-fail auth 19\n", 19},
        {"fake-fail lcp 16\n", 16},
    };
    for (const auto& c : cases) {
        world.FakeOptions(std::string("fake-delay 20\n") + c.options);
        Progress p;
        ASSERT_EQ(client.Dial(kEntry, p.Callback(), "#777", "u", "p", "", kBook), 0);
        ASSERT_TRUE(WaitUntil([&] { return p.Ended(); })) << c.options;
        EXPECT_EQ(p.error, c.status);
        std::string text;
        bool connected = true;
        EXPECT_EQ(client.StatusText(text, connected), 1);
        EXPECT_FALSE(connected);
        EXPECT_EQ(text, "Disconnected");
        RasConnection found;
        EXPECT_EQ(client.FindConnection(kEntry, found), 0) << "the link file is removed";
    }
}

TEST_F(RasDial, StaleLinkFileIsNoConnection)
{
    std::ofstream(world.RunDir() + "/ppp-Corvana NetWork.pid") << "999999\nppp0\n";
    std::ofstream(world.RunDir() + "/ppp-garbage.pid") << "12ab\n";
    RasConnection found;
    EXPECT_EQ(client.FindConnection(kEntry, found), 0);
    EXPECT_EQ(client.HangUp(kEntry), 0);
}

TEST(RasFind, ConnectionOnACorvanaDeviceIsFoundAndHungUpByName)
{
    CDialupWorld world("Corvana EV-DO Modem");
    CRasClient other;
    ASSERT_EQ(other.CreateEntry("Office", "modem", "Corvana EV-DO Modem", 4, 1, "#777", kBook), 0);
    Progress p;
    ASSERT_EQ(other.Dial("Office", p.Callback(), "", "u", "p", "", kBook), 0);
    std::string text;
    bool connected = false;
    ASSERT_TRUE(WaitUntil([&] { return other.StatusText(text, connected) == 1; }));
    ASSERT_TRUE(connected);

    CRasClient client;
    RasConnection found;
    ASSERT_EQ(client.FindConnection(kEntry, found), 1);
    EXPECT_EQ(found.linkName, "Office");
    EXPECT_EQ(found.deviceName, "Corvana EV-DO Modem");
    EXPECT_EQ(client.HangUp(kEntry), 1);
    EXPECT_TRUE(WaitUntil([&] { return p.Ended(); }));
}

}  // namespace
}  // namespace brivex::test
