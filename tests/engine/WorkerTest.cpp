// The modem worker: its pure rules (the command filter and the choice of the
// next command) from tables, and the worker end to end against the
// simulated modem: start-up order, card and PIN states, communication loss
// with the automatic restart, removal and the end requests.
#include "app/CConfig.h"
#include "modem/CCardPackets.h"
#include "modem/CDmControl.h"
#include "modem/CGeneralPackets.h"
#include "modem/CModemWorker.h"
#include "modem/CNvRelayPackets.h"
#include "modem/CPhonebookPackets.h"
#include "modem/CSmsPackets.h"
#include "modem/CStandardPackets.h"
#include "modem/DiagCommands.h"
#include "modem/WorkerCommands.h"
#include "support/CEngineHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace brivex::test {
namespace {

using Admission = CModemWorker::Admission;
using Bytes = std::vector<std::uint8_t>;
using Events = CEngineHarness::Events;
using Icon = CWindowSeam::Icon;
using Target = CWindowSeam::Target;

// --- the command filter -------------------------------------------------------

struct FilterCase {
    const char* what;
    std::uint16_t id;
    CModemWorker::FilterInput in;
    Admission expected;
};

TEST(WorkerFilter, FollowsTheRules)
{
    using In = CModemWorker::FilterInput;
    const FilterCase cases[] = {
        {"halted worker takes nothing", DM_GET_INFO, In{DM_HALTED, 0, 3, 0xFFF0, 0}, Admission::Ignored},
        {"ending worker takes nothing", DM_END_WORK, In{DM_END_WORK, 0, 3, 0xFFF0, 0}, Admission::Ignored},
        {"removed worker takes nothing", DM_GET_INFO, In{DM_DEVICE_NULL, 0, 3, 0xFFF0, 0}, Admission::Ignored},
        {"status poll", DM_GET_INFO, In{DM_PARKED, 0, 3, 0xFFF0, 0}, Admission::Queue},
        {"card check", DM_RUIM_STATUS, In{1, 0, 3, 0xFFF0, 0}, Admission::Queue},
        {"preferred mode", DM_PREF_CM_SYS_SEL, In{1, 0, 3, 0xFFF0, 0}, Admission::Queue},
        {"end request", DM_END_WORK, In{DM_PARKED, 0, 3, 0xFFF0, 0}, Admission::Queue},
        {"removal", DM_DEVICE_NULL, In{1, 0, 3, 0xFFF0, 0}, Admission::Queue},
        {"an operation id is no worker command", DM_PBOOK_READ, In{1, 0, 3, 0xFFF0, 0}, Admission::Refused},
        {"halted is no command", DM_HALTED, In{1, 0, 3, 0xFFF0, 0}, Admission::Refused},
        {"unknown id", 0x1234, In{1, 0, 3, 0xFFF0, 0}, Admission::Refused},
        {"key press outside the voice view", DM_KEY_PRESS, In{1, 0, 3, 0xFFF0, 0}, Admission::Refused},
        {"key press in the voice view", DM_KEY_PRESS, In{1, 0, 3, 0xFFF0, 1}, Admission::Queue},
        {"call with the link down", DM_OUT_CALL, In{1, 0, 2, 0xFFF0, 0}, Admission::Queue},
        {"call while connecting on EV-DO", DM_OUT_CALL, In{1, 1, 4, 0xFFF0, 0}, Admission::RefusedWarning},
        {"call while connected on EV-DO, call incoming", DM_OUT_CALL, In{1, 2, 4, 2, 0}, Admission::RefusedWarning},
        {"call while connected on 1x", DM_OUT_CALL, In{1, 2, 2, 0xFFF0, 0}, Admission::RefusedWarning},
        {"call while connected on 1x, call incoming", DM_OUT_CALL, In{1, 2, 2, 2, 0}, Admission::RefusedQuiet},
        {"call while connected, hybrid", DM_OUT_CALL, In{1, 2, 1, 0xFFF0, 0}, Admission::Queue},
        {"call while connected, no service", DM_OUT_CALL, In{1, 2, 3, 0xFFF0, 0}, Admission::Queue},
        {"call while the link is in another state", DM_OUT_CALL, In{1, 4, 4, 0xFFF0, 0}, Admission::Queue},
    };
    for (const FilterCase& c : cases)
        EXPECT_EQ(CModemWorker::Filter(c.id, c.in), c.expected) << c.what;
}

// The refused call shows its box only where the rules say, and always starts timer 101.
TEST(WorkerFilter, RefusedCallWarnsAndRestoresTheStatusLine)
{
    CEngineHarness h;
    h.State().currentCommand = DM_GET_INFO;
    h.State().connectionState = 2;
    h.State().serviceState = 2;
    h.State().callStateWord = 2;
    EXPECT_FALSE(h.Engine().Worker().PostCommand(DM_OUT_CALL));
    EXPECT_TRUE(h.Fake().EventsOf("box").empty());
    EXPECT_TRUE(h.Fake().TimerRunning(101));
    h.State().callStateWord = 0xFFF0;
    EXPECT_FALSE(h.Engine().Worker().PostCommand(DM_OUT_CALL));
    const auto boxes = h.Fake().EventsOf("box");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, CModemWorker::kNoOutgoingCall);
    EXPECT_EQ(boxes[0].id, static_cast<int>(Icon::Warning));
    EXPECT_FALSE(h.Engine().Worker().IsCommandQueued(DM_OUT_CALL));
    h.State().currentCommand = DM_HALTED;
}

TEST(WorkerQueue, HeadTailRemoveAndQueued)
{
    CEngineHarness h;
    CModemWorker& w = h.Engine().Worker();
    h.State().currentCommand = DM_PARKED;
    ASSERT_TRUE(w.PostCommand(DM_SMS_INFO2));
    ASSERT_TRUE(w.PostCommand(DM_GET_INFO));
    ASSERT_TRUE(w.PostCommand(DM_RUIM_VERIFY, true));
    ASSERT_TRUE(w.PostCommand(DM_SMS_INFO2));
    EXPECT_EQ(w.QueueSnapshot(), (std::deque<std::uint16_t>{DM_RUIM_VERIFY, DM_SMS_INFO2, DM_GET_INFO, DM_SMS_INFO2}));
    w.RemoveCommand(DM_SMS_INFO2);  // the first one only
    EXPECT_EQ(w.QueueSnapshot(), (std::deque<std::uint16_t>{DM_RUIM_VERIFY, DM_GET_INFO, DM_SMS_INFO2}));
    EXPECT_TRUE(w.IsCommandQueued(DM_SMS_INFO2));
    w.RemoveCommand(DM_PBOOK_INFO);  // not queued: nothing changes
    EXPECT_EQ(w.QueueSnapshot().size(), 3u);
    h.State().currentCommand = DM_HALTED;
    EXPECT_TRUE(w.PostCommand(DM_GET_INFO));  // accepted, not queued
    EXPECT_EQ(w.QueueSnapshot().size(), 3u);
    w.ClearQueue();
}

// --- the next command -----------------------------------------------------------

struct NextCase {
    const char* what;
    std::deque<std::uint16_t> queue;
    std::uint16_t current;
    int errors;
    bool lent;
    std::uint16_t next;
    std::deque<std::uint16_t> left;
};

TEST(WorkerNext, ChoosesByPriority)
{
    const NextCase cases[] = {
        {"empty queue polls", {}, DM_GET_INFO, 0, false, DM_GET_INFO, {}},
        {"empty queue after a command polls", {}, DM_SMS_INFO2, 0, false, DM_GET_INFO, {}},
        {"parked stays parked", {}, DM_PARKED, 0, false, DM_PARKED, {}},
        {"head first", {DM_UI_ENABLE, DM_GET_INFO}, DM_PBOOK_INFO, 0, false, DM_UI_ENABLE, {DM_GET_INFO}},
        {"parked leaves for any command", {DM_GET_INFO}, DM_PARKED, 0, false, DM_GET_INFO, {}},
        {"errors keep the command", {DM_UI_ENABLE}, DM_PREF_READ, 3, false, DM_PREF_READ, {DM_UI_ENABLE}},
        {"end request behind others", {DM_UI_ENABLE, DM_GET_INFO, DM_END_WORK}, 1, 0, false, DM_END_WORK,
         {DM_UI_ENABLE, DM_GET_INFO}},
        {"removal behind others", {DM_SMS_INFO2, DM_DEVICE_NULL, DM_GET_INFO}, 1, 0, false, DM_DEVICE_NULL,
         {DM_SMS_INFO2, DM_GET_INFO}},
        {"end wins over removal", {DM_DEVICE_NULL, DM_END_WORK}, 1, 0, false, DM_END_WORK, {DM_DEVICE_NULL}},
        {"end wins over errors", {DM_END_WORK}, DM_PREF_READ, 4, false, DM_END_WORK, {}},
        {"parked ends", {DM_END_WORK}, DM_PARKED, 0, false, DM_END_WORK, {}},
        {"lent port keeps the park, end or not", {DM_END_WORK, DM_GET_INFO}, DM_PARKED, 0, true, DM_PARKED,
         {DM_END_WORK, DM_GET_INFO}},
    };
    for (const NextCase& c : cases) {
        std::deque<std::uint16_t> queue = c.queue;
        EXPECT_EQ(CModemWorker::PickNext(queue, c.current, c.errors, c.lent), c.next) << c.what;
        EXPECT_EQ(queue, c.left) << c.what;
    }
}

// --- end to end -------------------------------------------------------------------

bool HasEvent(const Events& events, const std::string& kind, int id, std::optional<std::int64_t> a = {})
{
    return std::any_of(events.begin(), events.end(),
                       [&](const auto& e) { return e.kind == kind && e.id == id && (!a || e.a == *a); });
}

bool HasText(const Events& events, const std::string& kind, const std::string& text)
{
    return std::any_of(events.begin(), events.end(), [&](const auto& e) { return e.kind == kind && e.text == text; });
}

class WorkerE2E : public ::testing::Test {
protected:
    // Index of the first request on the wire equal to the packet, or -1.
    long FirstIndex(const Bytes& packet) const
    {
        const auto wire = h.WireRequests();
        auto it = std::find(wire.begin(), wire.end(), packet);
        return it == wire.end() ? -1 : static_cast<long>(it - wire.begin());
    }
    std::size_t Count(const Bytes& packet) const
    {
        const auto wire = h.WireRequests();
        return static_cast<std::size_t>(std::count(wire.begin(), wire.end(), packet));
    }
    static Bytes CardStatus() { return CCardPackets::BuildStatusRequest().ToVector(); }
    static Bytes SmsInfo() { return CSmsPackets::BuildInfoRequest().ToVector(); }

    // Starts the worker and waits until the start-up reached its status polls.
    void StartUp()
    {
        h.Start();
        ASSERT_TRUE(h.WaitUntil([&] { return Count(SmsInfo()) > 0; }, 30000)) << "no message store read";
        ASSERT_TRUE(h.WaitForCommand(DM_GET_INFO, 15000));
    }

    std::size_t EndedWithin(const std::function<void()>& end)
    {
        const auto start = std::chrono::steady_clock::now();
        end();
        return static_cast<std::size_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
    }

    CEngineHarness h;
};

TEST_F(WorkerE2E, StartUpRunsInOrderAndWritesTheProfile)
{
    h.Control("prefmode 9 1");
    StartUp();
    const long pref = FirstIndex(CNvRelayPackets::BuildRead(NV_PREF_MODE_I, 2)->ToVector());
    const long hybrid = FirstIndex(CNvRelayPackets::BuildRead(NV_HYBRID_PREF_I, 2)->ToVector());
    const long version = FirstIndex(CStandardPackets::BuildVersionRequest().ToVector());
    const long service = FirstIndex(CGeneralPackets::BuildServiceRequest().ToVector());
    const long infoVersion = FirstIndex(CGeneralPackets::BuildInfoVersionRequest().ToVector());
    const long phonebook = FirstIndex(CPhonebookPackets::BuildInfo(9)->ToVector());
    const long card = FirstIndex(CardStatus());
    const long sms = FirstIndex(SmsInfo());
    const long poll = FirstIndex(CGeneralPackets::BuildBatteryRequest().ToVector());
    EXPECT_EQ(pref, 0);
    EXPECT_LT(pref, hybrid);
    EXPECT_LT(hybrid, version);
    EXPECT_LT(version, service);
    EXPECT_LT(service, infoVersion);
    EXPECT_LT(infoVersion, phonebook);
    EXPECT_LT(phonebook, card);
    EXPECT_LT(card, sms);
    EXPECT_GE(poll, 0);

    EXPECT_EQ(h.Ini(keys::PrefMode), "9");
    EXPECT_EQ(h.Ini(keys::Hybrid), "1");
    EXPECT_EQ(h.Ini(keys::UserFlag), "0");
    EXPECT_EQ(h.Ini(keys::ChvEnable), "0");
    EXPECT_FALSE(h.Ini(keys::AsciiMax).empty());
    EXPECT_EQ(h.State().radioFlags.load() & 0x33, 0x01);
    const Events events = h.Fake().Events();
    EXPECT_TRUE(HasEvent(events, "indicator", 1044, 0));
    EXPECT_TRUE(HasEvent(events, "indicator", 1045, 0));
    EXPECT_TRUE(HasEvent(events, "buttons", static_cast<int>(CWindowSeam::Buttons::Connect), 1));
    EXPECT_TRUE(HasEvent(events, "send", WM_MODEM_EVENT, 10));
    EXPECT_TRUE(h.State().phonebookLoaded.load());
    EXPECT_EQ(h.State().callStateWord.load(), 0xFFF0);
    EXPECT_TRUE(h.LogContains("UserDmRestart()"));
    EXPECT_TRUE(h.LogContains("m_dwWait = 200"));
}

TEST_F(WorkerE2E, EvdoOnlyModeSkipsTheHybridRead)
{
    h.Control("prefmode 10");
    StartUp();
    EXPECT_EQ(Count(CNvRelayPackets::BuildRead(NV_HYBRID_PREF_I, 2)->ToVector()), 0u);
    EXPECT_EQ(h.State().radioFlags.load() & 0x20, 0x20);
}

TEST_F(WorkerE2E, PinIsAskedVerifiedAndAskedAgainWhenWrong)
{
    h.Control("lock 2");
    h.Control("pin 4321");
    int asked = 0;
    // The first answer is wrong, the second right.
    h.Fake().SetPinAnswer(true, [&](CWindowSeam::PinMode) { CConfig::Write(keys::Chv1, ++asked == 1 ? "1111" : "4321"); });
    StartUp();
    const Events events = h.Fake().Events();
    EXPECT_EQ(h.Fake().EventsOf("pin").size(), 2u);
    EXPECT_TRUE(HasEvent(events, "pin", static_cast<int>(CWindowSeam::PinMode::Verify)));
    EXPECT_TRUE(HasText(events, "box", "Unsuccessful PIN verification, at least one attempt left"));
    EXPECT_TRUE(HasText(events, "box", "Successful Pin Code Verification."));
    EXPECT_EQ(h.Ini(keys::ChvEnable), "1");
    EXPECT_LT(FirstIndex(CCardPackets::BuildVerifyChv("4321").ToVector()), FirstIndex(SmsInfo()));
}

TEST_F(WorkerE2E, BlockedPinAsksForTheUnblockCode)
{
    h.Control("lock 4");
    h.Control("retries 0 10");
    h.Control("puk 87654321");
    h.Fake().SetPinAnswer(true, [](CWindowSeam::PinMode) {
        CConfig::Write(keys::Chv1Temp, "87654321");
        CConfig::Write(keys::Chv1, "2468");
    });
    StartUp();
    EXPECT_TRUE(h.WaitForEvent("pin", static_cast<int>(CWindowSeam::PinMode::Unblock)));
    EXPECT_TRUE(HasText(h.Fake().Events(), "box", "Successful UnBlock Pin Code Verification."));
    EXPECT_EQ(h.Ini(keys::Chv1PukCount), "10");
}

TEST_F(WorkerE2E, UnblockCodeBlockedIsSaidAndNothingAsked)
{
    h.Control("lock 4");
    h.Control("retries 0 0");
    h.Start();
    ASSERT_TRUE(h.WaitFor([](const Events& e) { return HasText(e, "box", CModemWorker::kUnblockBlocked); }));
    EXPECT_TRUE(h.Fake().EventsOf("pin").empty());
}

// Leaving the PIN dialog ends the worker and, through timer 113, the program.
TEST_F(WorkerE2E, LeavingThePinDialogEndsTheProgram)
{
    h.Control("lock 2");
    h.Fake().SetPinAnswer(false);
    h.Start();
    ASSERT_TRUE(h.WaitForEvent("timer", 113, 300));
    ASSERT_TRUE(h.WaitForEvent("fired", 113));
    ASSERT_TRUE(h.WaitForCommand(DM_HALTED));
    ASSERT_TRUE(h.WaitUntil([&] { return !h.Engine().Worker().Running(); }));
    EXPECT_EQ(Count(CCardPackets::BuildVerifyChv("5960").ToVector()), 0u);
}

// A PIN dialog closed by the stop operation ends the worker, not the program.
TEST_F(WorkerE2E, PinDialogClosedByStopEndsOnlyTheWorker)
{
    h.Control("lock 2");
    // The dialog stays open until the stop closes it.
    h.Fake().SetPinAnswer(true, [&](CWindowSeam::PinMode) {
        h.Fake().WaitFor([](const Events& e) { return HasEvent(e, "pin-cancel", 0); }, 20000);
    });
    h.Start();
    ASSERT_TRUE(h.WaitForEvent("pin", static_cast<int>(CWindowSeam::PinMode::Verify)));
    h.Stop();
    EXPECT_FALSE(h.Engine().Worker().Running());
    EXPECT_FALSE(h.Fake().TimerRunning(113));
    EXPECT_FALSE(HasEvent(h.Fake().Events(), "timer", 113));
    EXPECT_EQ(Count(CCardPackets::BuildVerifyChv("5960").ToVector()), 0u);
}

// The message sound and 1533 come once per rise of the new-message count, not per pass.
TEST_F(WorkerE2E, MessageSoundOncePerRise)
{
    StartUp();
    ASSERT_TRUE(h.Engine().Worker().PostCommand(DM_STOP_WORK));
    ASSERT_TRUE(h.WaitForCommand(DM_PARKED));  // no poll changes the count now
    h.Fake().ClearEvents();
    const auto sounds = [&] { return h.Fake().EventsOf("sound").size(); };
    for (auto [count, expected] : {std::pair{2, 1u}, {2, 1u}, {1, 1u}, {3, 2u}}) {
        h.State().newMessageCount = static_cast<std::uint16_t>(count);
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        EXPECT_EQ(sounds(), expected) << count;
    }
    std::size_t fronts = 0;
    for (const auto& e : h.Fake().EventsOf("post"))
        fronts += e.id == WM_BRING_FRONT && e.a == 0 ? 1 : 0;
    EXPECT_EQ(fronts, 2u);
}

// No card: the texts, the message at the counter's 20th poll and then the slower check.
TEST_F(WorkerE2E, NoCardSaysSoAndSlowsTheCheck)
{
    h.Control("card connected 0");
    h.Control("card state 0");
    h.Start();
    ASSERT_TRUE(h.WaitFor([](const Events& e) { return HasText(e, "status", "\nNO RUIM Card \nInserted"); }, 30000));
    ASSERT_TRUE(h.WaitFor([](const Events& e) { return HasText(e, "box", CModemWorker::kInsertCard); }, 60000));
    EXPECT_GE(Count(CardStatus()), 21u);  // counter 0..20: the box comes with the 21st read
    EXPECT_EQ(h.Fake().EventsOf("box").size(), 1u);
    ASSERT_TRUE(h.WaitForLog("card check every 5000 ms"));
    EXPECT_EQ(Count(SmsInfo()), 0u);
    // The slow check's wait does not hold up the end.
    EXPECT_LT(EndedWithin([&] { h.Stop(); }), 4000u);
    EXPECT_FALSE(h.Engine().Worker().Running());
}

// An end request while the card read waits for a slow card ends the worker at once.
TEST_F(WorkerE2E, EndDuringTheCardReadIsPrompt)
{
    h.Control("carddelay 40000");
    h.Start();
    ASSERT_TRUE(h.WaitUntil([&] { return Count(CardStatus()) > 0; }, 30000));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_LT(EndedWithin([&] { h.Stop(); }), 5000u);
    EXPECT_FALSE(h.Engine().Worker().Running());
    EXPECT_EQ(h.State().currentCommand.load(), DM_HALTED);
    EXPECT_TRUE(h.LogContains("dm thread close 1"));
    EXPECT_FALSE(h.Engine().DiagPort().IsOpen());
}

TEST_F(WorkerE2E, RemovalDuringTheCardReadIsPrompt)
{
    h.Control("carddelay 40000");
    h.Start();
    ASSERT_TRUE(h.WaitUntil([&] { return Count(CardStatus()) > 0; }, 30000));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    h.Engine().Worker().PostCommand(DM_DEVICE_NULL);
    ASSERT_TRUE(h.WaitForLog("dm thread close 2", 5000));
    ASSERT_TRUE(h.WaitUntil([&] { return !h.Engine().Worker().Running(); }, 5000));
}

// Five failures in a row are survived; six end in the communication loss and
// one automatic restart, after which a good poll clears the retry count.
TEST(WorkerLoss, SixFailuresLoseTheLinkFiveDoNot)
{
    struct Case {
        int corrupt;
        bool lost;
    };
    for (const Case c : {Case{5, false}, Case{6, true}}) {
        SCOPED_TRACE(c.corrupt);
        CEngineHarness run;
        run.Control("corrupt " + std::to_string(c.corrupt));
        run.Start();
        ASSERT_TRUE(run.WaitForCommand(DM_GET_INFO, 40000));
        ASSERT_TRUE(run.WaitForLog("error_count = 5"));
        EXPECT_EQ(run.LogContains("did not communication !!! "), c.lost);
        if (c.lost) {
            EXPECT_TRUE(run.LogContains("dm thread close 3 0"));
            const Events events = run.Fake().Events();
            for (auto [id, value] : {std::pair{1040, 1}, {1041, 99}, {1042, 3}, {1044, 1}, {1043, 0}, {1045, 1},
                                     {1046, 1}, {1, 0}, {1117, 128}, {1121, 0}})
                EXPECT_TRUE(HasEvent(events, "indicator", id, value)) << id;
            EXPECT_TRUE(HasEvent(events, "timer", 105, 100));
            EXPECT_TRUE(HasText(events, "status", "Retry Open !!"));
            ASSERT_TRUE(run.WaitUntil([&] { return run.State().retryCount.load() == 0; }));
        }
        EXPECT_TRUE(run.Engine().Worker().Running());
    }
}

TEST_F(WorkerE2E, AtMostThreeRestartsInARow)
{
    h.Control("corrupt 1000000");
    h.Start();
    ASSERT_TRUE(h.WaitForLog("dm thread close 3 3", 60000));
    ASSERT_TRUE(h.WaitUntil([&] { return !h.Engine().Worker().Running(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    std::size_t restarts = 0;
    for (const auto& e : h.Fake().EventsOf("timer"))
        restarts += e.id == 105 ? 1 : 0;
    EXPECT_EQ(restarts, 3u);
    EXPECT_EQ(h.State().retryCount.load(), 3);
    EXPECT_EQ(h.State().currentCommand.load(), DM_HALTED);
    EXPECT_FALSE(h.State().phonebookLoaded.load());
}

// Unplugged during polling: the battery read's failure does not count, so
// the worker polls on until the device watch reports the removal.
TEST_F(WorkerE2E, UnplugDuringPollingEndsOnTheRemoval)
{
    StartUp();
    h.Control("unplug");
    std::this_thread::sleep_for(std::chrono::milliseconds(2000));
    EXPECT_TRUE(h.Engine().Worker().Running());
    EXPECT_FALSE(h.LogContains("did not communication"));
    h.Engine().Worker().PostCommand(DM_DEVICE_NULL);
    ASSERT_TRUE(h.WaitForLog("dm thread close 2"));
    ASSERT_TRUE(h.WaitUntil([&] { return !h.Engine().Worker().Running(); }));
    EXPECT_TRUE(h.LogContains("DM_DEVICE_NULL: driver remove."));
    EXPECT_FALSE(h.Engine().DiagPort().IsOpen());
    EXPECT_EQ(h.Indicator(1), 3);
    EXPECT_TRUE(h.Engine().Worker().QueueSnapshot().empty());
}

TEST_F(WorkerE2E, StopWhileParkedAndAfterTheEnd)
{
    StartUp();
    ASSERT_TRUE(h.Engine().Worker().PostCommand(DM_STOP_WORK));
    ASSERT_TRUE(h.WaitForCommand(DM_PARKED));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(h.State().currentCommand.load(), DM_PARKED);  // stays parked
    h.Stop();
    EXPECT_EQ(h.State().currentCommand.load(), DM_HALTED);
    EXPECT_FALSE(h.Engine().Worker().Running());
    EXPECT_TRUE(h.LogContains("DM_END_WORK:"));
    EXPECT_TRUE(h.LogContains("dm thread close 1"));
    // A second stop queues nothing and returns at once.
    h.Stop();
    EXPECT_TRUE(h.Engine().Worker().QueueSnapshot().empty());
    EXPECT_TRUE(h.Engine().Worker().PostCommand(DM_GET_INFO));  // a halted worker accepts and drops
    EXPECT_TRUE(h.Engine().Worker().QueueSnapshot().empty());
}

// The preferred-mode write through command 80 and what the settings view hears.
TEST_F(WorkerE2E, PreferredModeWriteTellsTheSettingsView)
{
    StartUp();
    h.Fake().SetOpen(Target::SettingsView, true);
    struct Case {
        const char* pref;
        const char* hybrid;
        std::int64_t wParam;
        std::uint8_t flags;
    };
    for (const Case c : {Case{"1", "0", 2, 0x12}, Case{"-1", "1", 0xFFFFFFFF, 0x12}}) {
        SCOPED_TRACE(c.pref);
        h.Fake().ClearEvents();
        CConfig::Write(keys::PrefMode, c.pref);
        CConfig::Write(keys::Hybrid, c.hybrid);
        ASSERT_TRUE(h.Engine().Worker().PostCommand(DM_PREF_CM_SYS_SEL));
        ASSERT_TRUE(h.WaitFor([&](const Events& e) { return HasEvent(e, "post", WM_SETTINGS_NOTIFY, c.wParam); }));
        EXPECT_EQ(h.State().radioFlags.load(), c.flags);
        EXPECT_TRUE(HasEvent(h.Fake().Events(), "buttons", static_cast<int>(CWindowSeam::Buttons::Menu), 0));
    }
    EXPECT_TRUE(h.LogContains("pref_mode value is unknown "));
    EXPECT_TRUE(h.LogContains("dm_pref_cm_sys_sel Ok"));
}

TEST_F(WorkerE2E, NoModemIsSaidAndThePortStaysClosed)
{
    h.Sim().Unplug();
    h.Start();
    const Events events = h.Fake().Events();
    EXPECT_TRUE(HasText(events, "box", CDmControl::kNotAttached));
    EXPECT_EQ(h.Fake().EventsOf("box").size(), 1u);
    EXPECT_TRUE(HasText(events, "status", CDmControl::kPortNotOpened));
    for (auto [id, value] : {std::pair{1040, 1}, {1041, 99}, {3, 99}, {1042, 3}, {1128, 0}, {5, 128}}) {
        EXPECT_TRUE(HasEvent(events, "forget", id)) << id;
        EXPECT_TRUE(HasEvent(events, "indicator", id, value)) << id;
    }
    EXPECT_TRUE(HasEvent(events, "enable", 1000, 1));
    EXPECT_FALSE(h.Engine().Worker().Running());
    EXPECT_EQ(h.State().currentCommand.load(), DM_HALTED);
}

}  // namespace
}  // namespace brivex::test
