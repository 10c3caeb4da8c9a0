#include "CDialupWorld.h"
#include "dialup/CConnectionThread.h"
#include "dialup/CDialupEntry.h"
#include "dialup/CPppdSession.h"
#include "dialup/CRasClient.h"
#include "dialup/CTrafficFiles.h"
#include "modem/CEngineState.h"
#include "support/CFakeWindow.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace brivex::test {
namespace {

using namespace std::chrono_literals;
using Event = CFakeWindow::Event;
using Events = std::vector<Event>;
using Q = CConnectionQueue;

bool Has(const Events& events, const std::string& kind, int id, std::int64_t a)
{
    for (const auto& e : events)
        if (e.kind == kind && e.id == id && e.a == a)
            return true;
    return false;
}

bool HasText(const Events& events, const std::string& kind, int id, const std::string& text)
{
    for (const auto& e : events)
        if (e.kind == kind && e.id == id && e.text == text)
            return true;
    return false;
}

class ConnectionThread : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.SetOpen(CWindowSeam::Target::SettingsView, true);
        thread.LoadAccount();
    }
    void TearDown() override { thread.Stop(); }

    bool WaitState(std::uint8_t s, std::chrono::milliseconds timeout = 20s)
    {
        return window.PumpUntil([&] { return state.connectionState == s; }, timeout);
    }
    bool WaitEvent(const std::function<bool(const Events&)>& pred, int ms = 20000) { return window.WaitFor(pred, ms); }
    bool Connected()
    {
        return WaitEvent([](const Events& e) { return Has(e, "post", 1527, 4) && HasText(e, "url", 0, CConnectionThread::kStartPage); });
    }
    std::vector<SessionRecord> Records(const char* file = "PktFF.dat") const
    {
        return CTrafficFiles::ReadAll(world.TrafficDir() + file);
    }
    std::string Log() const
    {
        std::ifstream in(world.Dir().path() / "debug.log");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    CDialupWorld world;
    CFakeWindow window;
    CEngineState state;
    CConnectionThread thread{window, state};
};

TEST_F(ConnectionThread, FullSession)
{
    world.FakeOptions("fake-delay 300\n");
    ASSERT_TRUE(thread.Initialise());
    EXPECT_EQ(state.connectionState, Q::kWatch);
    thread.OnConnect();
    EXPECT_TRUE(Has(window.Events(), "enable", CConnectionThread::kConnectButton, 0));
    EXPECT_TRUE(Has(window.Events(), "enable", CConnectionThread::kSettingsButton, 0));
    ASSERT_TRUE(Connected());
    EXPECT_TRUE(WaitState(Q::kMonitor));

    // The progress texts came on status line 1 in order, then the session was monitored.
    std::vector<std::string> texts;
    for (const auto& e : window.EventsOf("status"))
        if (e.id == 1 && (texts.empty() || texts.back() != e.text))
            texts.push_back(e.text);
    const std::vector<std::string> order{"Port opened\nsuccessfully", "Connecting \nto the device",
                                         "Device connected\nsuccessfully", "Verifying..Username\nand password",
                                         "Connection\nSuccess\nPlease wait..."};
    std::size_t at = 0;
    for (const auto& t : texts)
        if (at < order.size() && t == order[at])
            ++at;
    EXPECT_EQ(at, order.size()) << "status texts out of order";
    EXPECT_TRUE(Has(window.Events(), "timer", 101, 5000));
    EXPECT_TRUE(Has(window.Events(), "indicator", 1044, 128));
    EXPECT_TRUE(Has(window.Events(), "indicator", 1046, 0));
    ASSERT_TRUE(WaitEvent([](const Events& e) {
        for (const auto& ev : e)
            if (ev.kind == "text" && ev.id == CConnectionThread::kConnectionTime && ev.text.size() == 8)
                return true;
        return false;
    }));
    ASSERT_TRUE(window.PumpUntil([&] { return thread.Counters().bytesReceived > 0; }, 10s));
    EXPECT_GT(thread.Counters().bytesSent.load(), 0u);

    const std::time_t before = std::time(nullptr);
    thread.OnDisconnect();
    ASSERT_TRUE(WaitEvent([](const Events& e) { return Has(e, "post", 1527, 44); }));
    ASSERT_TRUE(WaitState(Q::kWatch));
    EXPECT_TRUE(world.RecordHas("exit 5"));
    EXPECT_TRUE(HasText(window.Events(), "status", 1, CConnectionThread::kDisconnecting));
    EXPECT_TRUE(Has(window.Events(), "timer", 101, 2000));
    EXPECT_TRUE(Has(window.Events(), "indicator", 1044, 129));
    EXPECT_TRUE(Has(window.Events(), "indicator", 5, 128));
    EXPECT_EQ(window.ControlText(CConnectionThread::kConnectionTime), "");
    EXPECT_EQ(thread.Counters().bytesReceived.load(), 0u);

    for (const char* file : CTrafficFiles::kFiles) {
        const auto records = Records(file);
        ASSERT_EQ(records.size(), 1u) << file;
        EXPECT_EQ(std::filesystem::file_size(world.TrafficDir() + file), 24u);
        EXPECT_NEAR(static_cast<double>(records[0].time), static_cast<double>(before), 5);
        EXPECT_EQ(records[0].reserved, 0u);
        EXPECT_GT(records[0].durationMs, 0u);
        EXPECT_GT(records[0].bytesReceived, 0u);
        EXPECT_GT(records[0].bytesSent, 0u);
    }
    EXPECT_NE(Log().find("ras close "), std::string::npos);
}

TEST_F(ConnectionThread, DialErrorsShowTheirTextAndEndInWatch)
{
    ASSERT_TRUE(thread.Initialise());
    const struct {
        const char* options;
        int status;
        const char* modem;  // simulator command for the case, and the one that undoes it
        const char* undo;
    } cases[] = {{"fake-fail chat 8\n", 8, nullptr, nullptr},
                 {"fake-fail auth 19\n", 19, nullptr, nullptr},
                 {"fake-fail lcp 16\n", 16, nullptr, nullptr},
                 {"", 8, "nocarrier on", "nocarrier off"}};  // the modem's own refusal ends chat
    for (const auto& c : cases) {
        world.FakeOptions(c.options);
        if (c.modem) {
            ASSERT_EQ(world.Modem().Command(c.modem).rfind("ok", 0), 0u);
        }
        window.ClearEvents();
        thread.OnConnect();
        std::string expected;
        CRasClient::ErrorText(c.status, 0, expected);
        ASSERT_TRUE(WaitEvent([&](const Events& e) { return HasText(e, "box", static_cast<int>(CWindowSeam::Icon::Information), expected); }))
            << c.options;
        ASSERT_TRUE(WaitEvent([](const Events& e) { return Has(e, "timer", 101, 2000); }));
        EXPECT_TRUE(WaitState(Q::kWatch));
        EXPECT_TRUE(Has(window.Events(), "enable", CConnectionThread::kConnectButton, 1));
        EXPECT_FALSE(HasText(window.Events(), "url", 0, CConnectionThread::kStartPage));
        if (c.undo)
            world.Modem().Command(c.undo);
    }
    // Nothing was received, so no session was recorded; the view still heard of the reset.
    EXPECT_FALSE(std::filesystem::exists(world.TrafficDir() + "PktFF.dat"));
    EXPECT_TRUE(Has(window.Events(), "post", 1527, 4));
    EXPECT_FALSE(Has(window.Events(), "post", 1527, 44));
}

// A dial that cannot even start (no pppd, no modem device) is a dial error, not an endless wait.
TEST_F(ConnectionThread, DialThatCannotStartIsADialError)
{
    ASSERT_TRUE(thread.Initialise());
    {
        EnvGuard missing("BRIVEX_PPPD", world.Dir().str() + "/no-such-pppd");
        thread.OnConnect();
        std::string expected;
        CRasClient::ErrorText(1, 0, expected);
        EXPECT_TRUE(WaitEvent([&](const Events& e) { return HasText(e, "box", static_cast<int>(CWindowSeam::Icon::Information), expected); }));
        EXPECT_TRUE(WaitState(Q::kWatch));
    }
    window.ClearEvents();
    world.Modem().Unplug();
    thread.OnConnect();
    std::string expected;
    CRasClient::ErrorText(7, 0, expected);
    EXPECT_TRUE(WaitEvent([&](const Events& e) { return HasText(e, "box", static_cast<int>(CWindowSeam::Icon::Information), expected); }));
    EXPECT_TRUE(WaitState(Q::kWatch));
}

TEST_F(ConnectionThread, DisconnectWhileDiallingHangsUpTheHalfMadeConnection)
{
    world.FakeOptions("fake-delay 1500\n");
    ASSERT_TRUE(thread.Initialise());
    thread.OnConnect();
    ASSERT_TRUE(WaitEvent([](const Events& e) { return HasText(e, "status", 1, "Verifying..Username\nand password"); })) << Log();
    thread.OnDisconnect();
    ASSERT_TRUE(WaitEvent([](const Events& e) { return Has(e, "timer", 101, 2000); }));
    EXPECT_TRUE(WaitState(Q::kWatch));
    EXPECT_TRUE(world.RecordHas("exit 5"));
    EXPECT_TRUE(window.EventsOf("box").empty());
    EXPECT_FALSE(std::filesystem::exists(world.RunDir() + "/ppp-Corvana NetWork.pid"));
}

TEST_F(ConnectionThread, ConnectionMadeOutsideIsAdoptedAndHaltWritesTheSession)
{
    ASSERT_TRUE(thread.Initialise());
    // Another program dials the entry, with no connect script.
    int ext = 0;
    auto outside = CPppdSession::Start({BRIVEX_FAKE_PPPD, world.AtTty(), "115200", "nodetach", "linkname",
                                        CDialupEntry::kEntryName},
                                       {}, ext);
    ASSERT_TRUE(outside);
    const auto up = std::chrono::steady_clock::now();
    ASSERT_TRUE(Connected());
    // Found by the watch within a cycle or two (generous here; about half a second normally).
    EXPECT_LT(std::chrono::steady_clock::now() - up, 10s);
    EXPECT_NE(Log().find("extern connecting"), std::string::npos);
    ASSERT_TRUE(WaitState(Q::kMonitor));
    ASSERT_TRUE(window.PumpUntil([&] { return thread.Counters().bytesReceived > 0; }, 10s));

    // The exit path halts the thread: it hangs up, records the session and ends with state 0.
    thread.Stop();
    EXPECT_EQ(state.connectionState, 0);
    EXPECT_FALSE(thread.ThreadRunning());
    EXPECT_TRUE(outside->WaitEnded(10s));
    EXPECT_EQ(Records().size(), 1u);
    EXPECT_TRUE(Has(window.Events(), "enable", CConnectionThread::kDisconnectButton, 0));
    EXPECT_NE(Log().find("ras thread closed 1"), std::string::npos);
}

TEST_F(ConnectionThread, LinkVanishingWhileMonitoredDisconnectsAfterElevenCycles)
{
    world.FakeOptions("fake-delay 20\nfake-fail connected 16\nfake-after 1200\n");
    ASSERT_TRUE(thread.Initialise());
    thread.OnConnect();
    ASSERT_TRUE(Connected());
    const std::string pidFile = world.RunDir() + "/ppp-Corvana NetWork.pid";
    ASSERT_TRUE(window.PumpUntil([&] { return !std::filesystem::exists(pidFile); }, 20s));
    const auto gone = std::chrono::steady_clock::now();
    ASSERT_TRUE(WaitEvent([](const Events& e) { return HasText(e, "text", CConnectionThread::kConnectionTime, "00:00:00:00"); }, 30000));
    // Ten cycles of 500 ms count the missing link before the eleventh disconnects.
    EXPECT_GE(std::chrono::steady_clock::now() - gone, 4500ms);
    ASSERT_TRUE(WaitState(Q::kWatch));
    EXPECT_TRUE(Has(window.Events(), "enable", CConnectionThread::kSettingsButton, 1));
    EXPECT_TRUE(window.EventsOf("box").empty()) << "the dial was over; no dial error";
    EXPECT_EQ(Records().size(), 1u);
    EXPECT_TRUE(world.RecordHas("exit 16"));
}

TEST_F(ConnectionThread, HaltFromDeviceRemovalAndRestart)
{
    ASSERT_TRUE(thread.Initialise());
    CEvent removal(CEvent::Reset::Manual);
    thread.SetRemovalEvent(&removal);
    thread.OnConnect();
    ASSERT_TRUE(Connected());
    ASSERT_TRUE(window.PumpUntil([&] { return thread.Counters().bytesReceived > 0; }, 10s));
    thread.Halt();
    ASSERT_TRUE(WaitState(0));
    EXPECT_TRUE(window.PumpUntil([&] { return !thread.ThreadRunning(); }, 5s));
    EXPECT_EQ(Records().size(), 1u);
    EXPECT_TRUE(world.RecordHas("exit 5"));

    // Timer 114 after the modem came back.
    thread.Restart();
    EXPECT_EQ(state.connectionState, Q::kWatch);
    EXPECT_TRUE(thread.ThreadRunning());
    EXPECT_TRUE(thread.Queue().Empty());
    thread.SetRemovalEvent(nullptr);
}

TEST_F(ConnectionThread, ConnectRefusals)
{
    ASSERT_TRUE(thread.Initialise());
    thread.SetAccount({"", "u", "p"});
    thread.OnConnect();
    state.serviceState = 2;
    state.lastCallState = 131;
    thread.SetAccount({"#777", "u", "p"});
    thread.OnConnect();
    const auto boxes = window.EventsOf("box");
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, CConnectionThread::kNeedAccount);
    EXPECT_EQ(boxes[1].text, CConnectionThread::kDuringCall);
    EXPECT_EQ(boxes[1].id, static_cast<int>(CWindowSeam::Icon::Warning));
    EXPECT_FALSE(thread.Queue().Contains(Q::kConnect));
}

TEST_F(ConnectionThread, ClientThatCannotBeRecreatedEndsTheThreadWithoutHangingTheExit)
{
    int made = 0;
    CConnectionThread failing(window, state, [&]() -> std::shared_ptr<CRasClient> {
        if (made++ > 0)
            return nullptr;
        auto c = std::make_shared<CRasClient>();
        c->LoadStatisticsFunctions();
        return c;
    });
    failing.LoadAccount();
    ASSERT_TRUE(failing.Initialise());
    failing.OnDisconnect();
    ASSERT_TRUE(WaitState(0));
    EXPECT_TRUE(window.PumpUntil([&] { return !failing.ThreadRunning(); }, 5s));
    EXPECT_NE(Log().find("ras thread close 3"), std::string::npos);
    const auto start = std::chrono::steady_clock::now();
    failing.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
}

TEST(ConnectionDuration, Format)
{
    EXPECT_EQ(CConnectionThread::FormatDuration(0, 0), "00:00:00");
    EXPECT_EQ(CConnectionThread::FormatDuration(3723000, 3723000), "01:02:03");
    EXPECT_EQ(CConnectionThread::FormatDuration(90061000, 90061000), "01)01:01:01");
    EXPECT_EQ(CConnectionThread::FormatDuration(86399999, 86399999), "23:59:59");
}

}  // namespace
}  // namespace brivex::test
