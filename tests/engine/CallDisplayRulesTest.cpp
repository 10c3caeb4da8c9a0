// The call side of the status poll (incoming-call indicator and call-state
// table) and the DM_IN_CALL display, against the recording window and a bare
// engine state: no modem, no worker.
#include "modem/CCallStateHandler.h"
#include "modem/CEngineState.h"
#include "modem/CIncomingCallDisplay.h"
#include "modem/WorkerCommands.h"
#include "support/CFakeWindow.h"
#include "support/EnvGuard.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <vector>

namespace brivex {
namespace {

using test::CFakeWindow;
using Target = CWindowSeam::Target;

class CallDisplayFixture : public ::testing::Test {
protected:
    CallDisplayFixture()
    {
        state.ringVolume = 4;
        state.voiceVolume = 6;
        fake.SetHandler(Target::MainWindow, WM_LOOKUP_NAME, [this](std::uintptr_t, std::intptr_t lParam) {
            auto* text = reinterpret_cast<std::string*>(lParam);
            auto it = names.find(*text);
            *text = it == names.end() ? std::string() : it->second;
            return std::intptr_t{0};
        });
    }

    // Events of a kind and id (and first parameter, when given).
    int Count(const std::string& kind, int id, std::optional<std::int64_t> a = {}) const
    {
        int n = 0;
        for (const auto& e : fake.Events())
            if (e.kind == kind && e.id == id && (!a || e.a == *a))
                ++n;
        return n;
    }
    std::optional<std::int64_t> Last(int indicator) const
    {
        std::optional<std::int64_t> value;
        for (const auto& e : fake.EventsOf("indicator"))
            if (e.id == indicator)
                value = e.a;
        return value;
    }
    void ShowLines(const std::string& one, const std::string& two, const std::string& three)
    {
        fake.SetStatusText(1, one);
        fake.SetStatusText(2, two);
        fake.SetStatusText(3, three);
        fake.ClearEvents();
    }

    test::TempDir dir;
    test::EnvGuard sysdir{"BRIVEX_SYSDIR", dir.str()};
    CFakeWindow fake;
    CEngineState state;
    std::map<std::string, std::string> names{{"0215551234", "Ana"}, {"0217770000", "Desk"}};
    std::vector<std::uint16_t> queued;
    CCallStateHandler handler{fake, state, [this](std::uint16_t id) { queued.push_back(id); }};
    CIncomingCallDisplay incoming{fake, state};
};

// --- incoming-call indicator ---------------------------------------------------------

TEST_F(CallDisplayFixture, IncomingIndicatorQueuesTheCallerIdRead)
{
    struct Case {
        const char* name;
        std::uint8_t previous, indicator;
        std::uint16_t word;
        std::uint8_t flags;
        bool queues;
        std::uint8_t flagsAfter;
    };
    const Case cases[] = {
        {"ringing starts", 0, 1, 0xFFF0, 0, true, 0},
        {"ringing goes on", 1, 1, 2, 0, false, 0},
        {"second call during a call", 0, 1, 2, 0x01, true, 0x11},
        {"caller gave up", 1, 2, 2, 0, true, 0x04},
        {"gave up seen again", 2, 2, 0xFFF0, 0x04, false, 0x04},
        {"origination", 0, 4, 0xFFF0, 0, true, 0x08},
        {"origination already shown", 4, 4, 0xFFF0, 0x08, false, 0x08},
        {"our own dialled call", 0, 4, 3, 0, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        queued.clear();
        state.callStateWord = c.word;
        state.callFlags = c.flags;
        handler.OnIncomingIndicator(c.previous, c.indicator);
        EXPECT_EQ(queued.size(), c.queues ? 1u : 0u);
        if (!queued.empty()) {
            EXPECT_EQ(queued[0], DM_IN_CALL);
        }
        EXPECT_EQ(state.callFlags.load(), c.flagsAfter);
    }
}

TEST_F(CallDisplayFixture, PendingCallEndIsSentOnceTheIndicatorIsBackAtZero)
{
    state.pendingCallEnd = 2;
    state.lastCallState = 0x82;
    handler.OnIncomingIndicator(0, 0);
    EXPECT_EQ(Count("send", WM_MODEM_EVENT), 0);
    state.lastCallState = 0x87;
    handler.OnIncomingIndicator(0, 0);
    handler.OnIncomingIndicator(0, 0);
    EXPECT_EQ(Count("send", WM_MODEM_EVENT, 4), 1);
    EXPECT_EQ(fake.EventsOf("send").back().b, 2);
    EXPECT_EQ(state.pendingCallEnd.load(), 0);
}

TEST_F(CallDisplayFixture, CallEndedEndsTheDisplay)
{
    struct Case {
        const char* name;
        std::uint16_t word;
        std::uint8_t flags, messageFlags;
        const char* mainText;
        std::optional<std::int64_t> logged;  // lParam of 1529 wParam 4
        bool cleared;
    };
    const Case cases[] = {
        {"incoming", 2, 0x03, 0x0C, "Ana\n0215551234", 2, true},
        {"outgoing", 3, 0x01, 0x0C, "5551234", 1, true},
        {"missed", 2, 0x04, 0x0C, "x", 3, true},
        {"missed-call notice stays", 2, 0x00, 0x0C, "Missed call\n555", 2, false},
        {"phonebooks not ready", 2, 0x01, 0x04, "x", std::nullopt, true},
    };
    fake.SetOpen(Target::SettingsView, true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ShowLines(c.mainText, "Incoming call", "Calling 00:00:05");
        state.callStateWord = c.word;
        state.callFlags = c.flags;
        state.messageFlags = c.messageFlags;
        state.pendingCallEnd = 1;
        handler.OnIncomingIndicator(0, 3);
        EXPECT_EQ(Count("send", WM_MODEM_EVENT, 4), c.logged ? 1 : 0);
        if (c.logged) {
            EXPECT_EQ(fake.EventsOf("send").back().b, *c.logged);
        }
        EXPECT_EQ(fake.StatusText(1).empty(), c.cleared);
        EXPECT_EQ(fake.StatusText(2).empty(), c.cleared);
        EXPECT_EQ(state.callStateWord.load(), 0xFFF0);
        EXPECT_EQ(state.callFlags.load(), c.flags & 0x04);
        EXPECT_EQ(state.pendingCallEnd.load(), 0);
        EXPECT_EQ(Last(1044), 129);
        EXPECT_EQ(Last(1121), 0);
        EXPECT_EQ(Last(4), 4);
        EXPECT_EQ(Count("kill", 104) + Count("kill", 108) + Count("kill", 115), 3);
        EXPECT_EQ(Count("post", WM_SETTINGS_NOTIFY, 3), 1);
    }
    // Without a marked call the indicator changes nothing. The posts above are
    // handled on the fake's own thread: let them finish before clearing.
    fake.RunOnUiThread([] {});
    fake.ClearEvents();
    handler.OnIncomingIndicator(0, 3);
    EXPECT_TRUE(fake.Events().empty());
}

// --- call-state table --------------------------------------------------------------

TEST_F(CallDisplayFixture, ConversationStartsOnceAndKeepsTheEmergencyLine)
{
    for (const std::string number : {"5551234", "911"}) {
        SCOPED_TRACE(number);
        ShowLines("5551234", number == "911" ? "Emergency Call" : "Outgoing call", "");
        fake.StopPcVoice();
        fake.ClearEvents();
        state.callStateWord = 3;
        state.callFlags = 0;
        state.lastCallState = 0x89;
        {
            std::lock_guard lock(state.mutex);
            state.callNumber = number;
            state.callTimer.seconds = 40;
        }
        handler.OnCallState(0x86);
        handler.OnCallState(0x86);
        EXPECT_EQ(fake.StatusText(2), number == "911" ? "Emergency Call" : "");
        EXPECT_EQ(Count("timer", 104, 1000), 1);
        EXPECT_EQ(state.callFlags.load(), 0x01);
        EXPECT_EQ(state.callTimer.seconds, 0);
        EXPECT_EQ(Count("indicator", 1044, 0), 1);
        EXPECT_EQ(Last(1044), 128);
        EXPECT_EQ(Last(4), 6);
        EXPECT_EQ(Count("pcvoice", 0, 1), 1);
        EXPECT_EQ(Count("buttons", static_cast<int>(CWindowSeam::Buttons::Connect), 0), 2);
        EXPECT_EQ(state.lastCallState.load(), 0x86);
    }
}

TEST_F(CallDisplayFixture, SecondCallDuringAConversationKeepsItRunning)
{
    state.callStateWord = 2;
    state.callFlags = 0x11;  // conversation, second call being announced
    state.lastCallState = 0x86;
    handler.OnCallState(0x86);
    EXPECT_EQ(state.lastCallState.load(), 131);
    state.callFlags = 0x03;  // the notice runs its answer timer
    fake.ClearEvents();
    handler.OnCallState(0x86);
    handler.OnCallState(0x86);
    EXPECT_EQ(Count("timer", 104), 0);
    EXPECT_EQ(state.callFlags.load(), 0x03);
    // 1044 blinks while the answer timer runs.
    const auto shown = fake.EventsOf("indicator");
    std::vector<std::int64_t> call;
    for (const auto& e : shown)
        if (e.id == 1044)
            call.push_back(e.a);
    EXPECT_EQ(call, (std::vector<std::int64_t>{129, 128}));  // it showed 128 before
}

TEST_F(CallDisplayFixture, RingingBlinksTheCallIndicatorAndConversationStopsTheRing)
{
    state.callStateWord = 2;
    for (int i = 0; i < 3; ++i)
        handler.OnCallState(0x85);
    std::vector<std::int64_t> call;
    for (const auto& e : fake.EventsOf("indicator"))
        if (e.id == 1044)
            call.push_back(e.a);
    EXPECT_EQ(call, (std::vector<std::int64_t>{128, 129, 128}));
    state.ringing = true;
    handler.OnCallState(0x86);
    EXPECT_EQ(Count("post", WM_RING_STOP), 1);
}

TEST_F(CallDisplayFixture, ReleaseKeepsTheCallEndForTheNextPass)
{
    struct Case {
        const char* name;
        std::uint16_t word;
        std::uint8_t flags;
        std::uint8_t pending;
        bool cleared;
    };
    const Case cases[] = {
        {"incoming", 2, 0x01, 2, true},
        {"outgoing", 3, 0x01, 1, true},
        {"missed", 2, 0x04, 3, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ShowLines("Ana\n0215551234", "x", "Calling 00:01:00");
        state.callStateWord = c.word;
        state.callFlags = c.flags;
        state.messageFlags = 0x0C;
        state.pendingCallEnd = 0;
        handler.OnCallState(0x87);
        EXPECT_EQ(state.pendingCallEnd.load(), c.pending);
        EXPECT_EQ(fake.StatusText(1).empty(), c.cleared);
        EXPECT_EQ(Count("indicator", 1, 2), c.cleared ? 1 : 0);
        EXPECT_EQ(state.callStateWord.load(), 0xFFF0);
        EXPECT_EQ(state.callFlags.load(), c.flags & 0x04);
        EXPECT_EQ(Count("kill", 104) + Count("kill", 108), 2);
        EXPECT_EQ(Count("send", WM_MODEM_EVENT), 0);
        EXPECT_EQ(state.lastCallState.load(), 0x87);
    }
}

TEST_F(CallDisplayFixture, IdleNoServiceAndInitialisingHideTheCallIndicator)
{
    struct Case {
        std::uint8_t code, last;
        std::uint16_t prefMode;
        std::uint8_t noCard;
        bool hides;
    };
    const Case cases[] = {
        {0x82, 0x86, 1, 0, true}, {0x82, 0x82, 1, 0, false}, {0x82, 0x86, 10, 0, false},
        {0x00, 0x82, 1, 0, true}, {0x00, 0x00, 1, 0, false}, {0x00, 0x82, 1, 20, false},
        {0x81, 0x82, 1, 0, true}, {0x81, 0x81, 1, 0, false}, {0x8C, 0x82, 1, 0, false},
        {0x42, 0x82, 1, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << int(c.code) << "/" << int(c.last) << "/" << c.prefMode);
        fake.ClearEvents();
        state.lastCallState = c.last;
        state.preferredMode = c.prefMode;
        state.noCardCounter = c.noCard;
        handler.OnCallState(c.code);
        EXPECT_EQ(Count("indicator", 1044, 129), c.hides ? 1 : 0);
        EXPECT_EQ(state.lastCallState.load(), c.code);
    }
}

// --- DM_IN_CALL display ----------------------------------------------------------------

CallerIdRecord Caller(std::uint8_t presentation, const std::string& number, const std::string& second = {})
{
    CallerIdRecord c;
    c.presentation = presentation;
    c.number = number;
    c.numberLength = static_cast<std::uint8_t>(number.size());
    c.secondNumber = second;
    return c;
}

TEST_F(CallDisplayFixture, IncomingCallTexts)
{
    struct Case {
        const char* name;
        CallerIdRecord caller;
        std::uint8_t flags;
        std::string main, second;
    };
    const Case cases[] = {
        {"phonebook name", Caller(0, "0215551234"), 0, "Ana\n0215551234", "Incoming call"},
        {"network text", Caller(0, "0219990000", "BOB"), 0, "BOB\n0219990000", "Incoming call"},
        {"number only", Caller(0, "0219990000"), 0, "\n0219990000", "Incoming call"},
        {"restricted", Caller(1, ""), 0, "Restricted", "Incomming call"},
        {"unavailable", Caller(2, ""), 0, "Unavailable", "Incoming call"},
        {"missed", Caller(0, "0219990000"), 0x04, "Missed call\n0219990000", "old"},
        {"missed without number", Caller(0, ""), 0x04, "Missed call\nUnknown", "old"},
        {"missed restricted", Caller(1, ""), 0x04, "Missed call\nRestricted", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ShowLines("", "old", "");
        state.callStateWord = 0xFFF0;
        state.callFlags = c.flags;
        {
            std::lock_guard lock(state.mutex);
            state.slotIndex = 0;
        }
        incoming.Show(c.caller);
        EXPECT_EQ(fake.StatusText(1), c.main);
        EXPECT_EQ(fake.StatusText(2), c.second);
        const bool missed = c.flags != 0;
        EXPECT_EQ(state.callStateWord.load(), missed ? 0xFFF0 : 2);
        EXPECT_EQ(state.callFlags.load(), 0);
        EXPECT_EQ(Count("post", WM_RING_START), missed ? 0 : 1);
        EXPECT_EQ(Count("post", WM_BRING_FRONT, 1), missed ? 0 : 1);
        EXPECT_EQ(Count("post", WM_RING_STOP), missed ? 1 : 0);
        EXPECT_EQ(Count("timer", 1000, 100), missed ? 0 : 1);
        // The pending status text follows status line 1.
        std::lock_guard lock(state.mutex);
        EXPECT_EQ(state.pendingStatusText, c.main);
    }
}

TEST_F(CallDisplayFixture, RingingCallFillsTheSlotAndTheCallNumber)
{
    incoming.Show(Caller(0, "0215551234", "ANA N"));
    std::lock_guard lock(state.mutex);
    EXPECT_EQ(state.callNumber, "0215551234");
    EXPECT_EQ(state.secondNumber, "ANA N");
    EXPECT_EQ(state.callSlots[0].number, "0215551234");
    EXPECT_EQ(state.callSlots[0].name, "Ana");
    EXPECT_EQ(state.slotIndex, 1);
}

TEST_F(CallDisplayFixture, MissedCallKeepsTheNumberAndAsksForTheName)
{
    state.callFlags = 0x04;
    incoming.Show(Caller(0, "0215551234"));
    EXPECT_EQ(Count("send", WM_MODEM_EVENT, 13), 1);
    EXPECT_EQ(Count("send", WM_LOOKUP_NAME), 0);
    std::lock_guard lock(state.mutex);
    EXPECT_EQ(state.callNumber, "0215551234");
}

TEST_F(CallDisplayFixture, CallWaitingDuringAConversation)
{
    state.callStateWord = 2;
    state.callFlags = 0x01;
    {
        std::lock_guard lock(state.mutex);
        state.callNumber = "0215551234";
        state.slotIndex = 1;
        state.callSlots[0] = {"0215551234", "Ana"};
    }
    CallerIdRecord caller = Caller(0, "0217770000");
    caller.callWaiting = 1;
    caller.callWaiting2 = 1;
    incoming.Show(caller);
    EXPECT_EQ(fake.StatusText(1), "Desk\n0217770000");
    EXPECT_EQ(Count("post", WM_RING_START), 0);
    EXPECT_EQ(Count("post", WM_BRING_FRONT, 1), 1);
    EXPECT_EQ(state.callFlags.load(), 0x03);
    EXPECT_EQ(Count("timer", 108, 20000), 1);
    EXPECT_EQ(Count("timer", 1000), 0);
    EXPECT_EQ(state.noticeState.load(), 2);
    std::lock_guard lock(state.mutex);
    EXPECT_EQ(state.callNumber, "0215551234");  // still the call that is up
    EXPECT_EQ(state.slotIndex, 2);
    EXPECT_EQ(state.shownSlot, 0);
    EXPECT_EQ(state.callSlots[1].number, "0217770000");
    EXPECT_EQ(state.callSlots[1].name, "Desk");
}

TEST_F(CallDisplayFixture, RedirectedCallLines)
{
    struct Case {
        std::uint8_t presentation;
        std::string number, name;
        std::string second, third;
    };
    const Case cases[] = {
        {1, "", "", "Redirected call", "Restricted"},
        {2, "", "", "Redirected call", "Unavailable"},
        {3, "0217770000", "FRONT", "Desk", "0217770000"},
        {3, "0219990000", "FRONT", "FRONT", "0219990000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.presentation));
        state.callStateWord = 0xFFF0;
        state.callFlags = 0;
        CallerIdRecord caller = Caller(0, "0215551234");
        caller.redirectionPresentation = c.presentation;
        caller.redirectingNumber = c.number;
        caller.redirectingName = c.name;
        incoming.Show(caller);
        EXPECT_EQ(fake.StatusText(2), c.second);
        EXPECT_EQ(fake.StatusText(3), c.third);
    }
}

TEST_F(CallDisplayFixture, OriginationFromTheModemShowsAnOutgoingCall)
{
    state.callFlags = 0x08;
    incoming.Show(Caller(0, "5550100"));
    EXPECT_EQ(state.callStateWord.load(), 3);
    EXPECT_EQ(fake.StatusText(2), "Outgoing call");
    EXPECT_EQ(Count("timer", 1000, 100), 1);
    EXPECT_EQ(Count("send", WM_MODEM_EVENT, 4), 1);
    EXPECT_EQ(fake.EventsOf("send").back().b, 0xFFFF);
    EXPECT_EQ(state.callFlags.load(), 0);
    std::lock_guard lock(state.mutex);
    EXPECT_EQ(state.callNumber, "5550100");
}

}  // namespace
}  // namespace brivex
