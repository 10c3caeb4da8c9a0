// The status poll end to end against the simulated modem: the indicators of
// a quiet poll in both status layouts, new messages with the pop-up, the
// message sound and voice mail, the storage-full notice and the weak-signal
// warning.
#include "app/CConfig.h"
#include "app/CDebugViews.h"
#include "modem/DiagCommands.h"
#include "modem/WorkerCommands.h"
#include "support/CEngineHarness.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

namespace brivex::test {
namespace {

using Events = CEngineHarness::Events;

struct Match {
    std::string kind;
    int id;
    std::optional<std::int64_t> a;
    bool Is(const CFakeWindow::Event& e) const { return e.kind == kind && e.id == id && (!a || e.a == *a); }
};

int Count(const Events& events, const std::string& kind, int id, std::optional<std::int64_t> a = {})
{
    int n = 0;
    for (const auto& e : events)
        if (e.kind == kind && e.id == id && (!a || e.a == *a))
            ++n;
    return n;
}

class StatusPollTest : public ::testing::Test {
protected:
    void StartPolling()
    {
        h.Start();
        ASSERT_TRUE(h.WaitForCommand(DM_GET_INFO, 40000));
    }
    // Waits until the indicator has been given the value after the current events.
    bool WaitIndicator(int id, std::int64_t value, int timeoutMs = 15000)
    {
        return h.WaitForEvent("indicator", id, value, timeoutMs);
    }
    int Count(const std::string& kind, int id, std::optional<std::int64_t> a = {})
    {
        return test::Count(h.Fake().Events(), kind, id, a);
    }
    // Waits for n more complete poll passes (each ends with the status record's roaming indicator).
    bool WaitPasses(int n)
    {
        const int start = Count("indicator", 1117);
        return h.WaitFor([&](const Events& ev) { return test::Count(ev, "indicator", 1117) >= start + n; }, 20000);
    }

    // Waits until the events hold a match for `then` after one for `first`.
    bool WaitAfter(const Match& first, const Match& then, int timeoutMs = 15000)
    {
        return h.WaitFor(
            [&](const Events& ev) {
                bool seen = false;
                for (const auto& e : ev) {
                    if (!seen)
                        seen = first.Is(e);
                    else if (then.Is(e))
                        return true;
                }
                return false;
            },
            timeoutMs);
    }
    // Every pop-up posted so far has been handled (its delete handed the port back).
    bool PopupsSettled()
    {
        return h.WaitFor([](const Events& ev) {
            return test::Count(ev, "post", WM_SMS_POPUP) == test::Count(ev, "handled", WM_SMS_POPUP);
        });
    }

    CEngineHarness h;
};

struct LayoutCase {
    const char* name;
    bool longLayout;
    std::uint8_t hybrid;
};

class QuietPollTest : public StatusPollTest, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(QuietPollTest, ShowsTheStatusRecord)
{
    const LayoutCase& c = GetParam();
    h.Control(c.longLayout ? "layout long" : "layout short");
    h.Control("hybrid " + std::to_string(c.hybrid));
    h.Control("battery 3600 0");
    h.Control("roaming 1");
    h.Control("banner HELLO NET");
    h.Sim().WithState([&](auto& s) {
        s.status.signal1x = c.longLayout ? static_cast<std::uint32_t>(-85) : 25;
        s.status.signalEvdo = c.longLayout ? static_cast<std::uint32_t>(-70) : 30;
    });
    StartPolling();
    ASSERT_TRUE(WaitPasses(2));

    EXPECT_EQ(h.Indicator(1040), 2);  // 3600 lies between the second and third threshold
    EXPECT_EQ(h.Indicator(1128), 0);
    EXPECT_EQ(h.Indicator(1117), 1);
    EXPECT_EQ(h.Indicator(1042), c.hybrid ? 1 : 2);
    EXPECT_EQ(h.State().serviceState.load(), c.hybrid ? 1 : 2);
    EXPECT_EQ(h.Fake().StatusText(2), "HELLO NET");
    EXPECT_EQ(h.Ini(keys::SmsCount), "0");
    // Hybrid shows the EV-DO value first, otherwise the 1x value.
    const int id = c.hybrid ? 3 : 1041;
    const std::int64_t value = c.longLayout ? (c.hybrid ? -70 : -85) : (c.hybrid ? 30 : 25);
    EXPECT_GE(Count(c.longLayout ? "long" : "indicator", id, value), 2);
    EXPECT_EQ(Count(c.longLayout ? "indicator" : "long", id), 0);

    // Every pass asks battery, banner and status, in that order.
    const auto wire = h.WireRequests();
    std::vector<std::uint16_t> subs;
    for (const auto& r : wire)
        if (r.size() >= 3 && r[0] == QOR_CMD_GENERAL && (r[1] == 11 || r[1] == 17 || r[1] == 1))
            subs.push_back(r[1]);
    ASSERT_GE(subs.size(), 6u);
    for (std::size_t i = subs.size() - 6; i + 2 < subs.size(); i += 3) {
        if (subs[i] != QOR_SUB_BATT_INFO)
            continue;
        EXPECT_EQ(subs[i + 1], QOR_SUB_NET_BANNER);
        EXPECT_EQ(subs[i + 2], QOR_SUB_STATUS);
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, QuietPollTest,
                         ::testing::Values(LayoutCase{"Short1x", false, 0}, LayoutCase{"LongHybrid", true, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

// Each new message pops up once, rings the message sound once per rise and
// shows the SMS indicator until it has been read out of modem memory.
TEST_F(StatusPollTest, NewMessagesPopUpOnceEach)
{
    StartPolling();
    h.Control("sms 3 Hello there");
    ASSERT_TRUE(h.WaitForEvent("post", WM_SMS_POPUP, 3));
    // The pop-up deletes the slot; the count drops to 0 and the indicator goes.
    ASSERT_TRUE(WaitAfter({"indicator", 1043, 1}, {"indicator", 1043, 0}));
    ASSERT_TRUE(PopupsSettled());
    ASSERT_TRUE(WaitPasses(2));
    EXPECT_EQ(Count("post", WM_SMS_POPUP), 1);
    EXPECT_EQ(Count("sound", 0), 1);
    EXPECT_EQ(Count("post", WM_BRING_FRONT, 0), 1);
    EXPECT_EQ(h.State().lastNewMessageCount.load(), 0);
    EXPECT_TRUE(h.LogContains("new_sms_cnt = 1"));

    h.Fake().ClearEvents();
    h.Control("sms 4 Second");
    ASSERT_TRUE(WaitAfter({"post", WM_SMS_POPUP, 4}, {"indicator", 1043, 0}));
    ASSERT_TRUE(PopupsSettled());
    ASSERT_TRUE(WaitPasses(2));
    EXPECT_EQ(Count("post", WM_SMS_POPUP), 1);
    EXPECT_EQ(Count("sound", 0), 1);
    EXPECT_NE(h.State().messageFlags.load() & 0x02, 0);
}

// A count that stays up while a pop-up is held open is listed every pass but
// logged as a change once; [SmsC] follows it. (Reading a message marks it
// read, so of two new messages one stays unread.)
TEST_F(StatusPollTest, SteadyCountIsLoggedOnce)
{
    h.Fake().SetHandler(CWindowSeam::Target::MainWindow, WM_SMS_POPUP, [](std::uintptr_t, std::intptr_t) {
        return std::intptr_t{0};
    });
    StartPolling();
    h.Control("sms 3 one");
    h.Control("sms 5 two");
    ASSERT_TRUE(WaitAfter({"post", WM_SMS_POPUP, 3}, {"indicator", 1043, 1}));
    ASSERT_TRUE(WaitPasses(4));
    const auto lines = CDebugViews::Instance().Lines();
    const auto count = [&](const std::string& text) {
        return std::count_if(lines.begin(), lines.end(),
                             [&](const std::string& l) { return l.find(text) != std::string::npos; });
    };
    EXPECT_EQ(count("new_sms_cnt = 1"), 1);
    EXPECT_GE(count("Dm Sub DM_SMS_LIST"), 4);
    EXPECT_EQ(h.Ini(keys::SmsCount), "1");
    EXPECT_EQ(Count("post", WM_SMS_POPUP), 1);  // raised once until it is closed
    EXPECT_EQ(Count("sound", 0), 1);
}

TEST_F(StatusPollTest, VoiceMailIndicatorAndSilentVoiceMailRemoval)
{
    StartPolling();
    h.Control("voicemail 9 2");
    h.Control("sms 3 call your box");
    ASSERT_TRUE(WaitIndicator(1043, 2));
    EXPECT_EQ(h.State().voiceMailCount.load(), 2);
    ASSERT_TRUE(WaitAfter({"indicator", 1043, 2}, {"indicator", 1043, 0}));
    ASSERT_TRUE(PopupsSettled());

    // A voice-mail notice that says 0 messages is removed from modem memory.
    h.Control("voicemail 9 0");
    h.Control("sms 4 another");
    ASSERT_TRUE(h.WaitFor([&](const Events&) {
        return h.Sim().WithState([](auto& s) { return s.FindSms(6, 9) == nullptr; });
    }));
    EXPECT_TRUE(h.WaitForEvent("timer", 110));
    EXPECT_TRUE(PopupsSettled());
}

TEST_F(StatusPollTest, StorageFullNoticeOncePerChange)
{
    StartPolling();
    h.Control("storagefull 1");
    ASSERT_TRUE(h.WaitForEvent("notice", static_cast<int>(CWindowSeam::Icon::Error)));
    ASSERT_TRUE(WaitPasses(3));
    const auto notices = h.Fake().EventsOf("notice");
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].text, "Not enough space to store new message\nPlease delete the old messege.");
    EXPECT_EQ(notices[0].a, 3);    // countdown
    EXPECT_EQ(notices[0].b, 420);  // width
    h.Control("storagefull 0");
    ASSERT_TRUE(WaitPasses(2));
    h.Control("storagefull 1");
    ASSERT_TRUE(WaitPasses(2));
    EXPECT_EQ(h.Fake().EventsOf("notice").size(), 2u);
}

TEST_F(StatusPollTest, WeakSignalWarnsOnceWhileCharging)
{
    h.Control("hybrid 0");
    h.Control("charge 4");
    StartPolling();
    ASSERT_TRUE(WaitPasses(1));
    EXPECT_EQ(Count("timer", 111), 0);
    h.Control("signal 5 5");
    ASSERT_TRUE(h.WaitForEvent("timer", 111, 5000));
    ASSERT_TRUE(WaitPasses(3));
    EXPECT_EQ(Count("timer", 111), 1);
    EXPECT_NE(h.State().chargeDisplay.load() & 0x80, 0);
    EXPECT_EQ(h.Indicator(1128), 2);
}

}  // namespace
}  // namespace brivex::test
