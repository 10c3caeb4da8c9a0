// The call commands end to end against the simulated modem: incoming calls
// (phonebook name, withheld numbers, missed calls, call waiting), outgoing
// and emergency calls, and key presses with pause digits.
#include "modem/CCallCommands.h"
#include "modem/DiagCommands.h"
#include "modem/WorkerCommands.h"
#include "support/CEngineHarness.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace brivex::test {
namespace {

using Events = CEngineHarness::Events;

class CallCommandsTest : public ::testing::Test {
protected:
    void StartPolling()
    {
        h.Control("phonebook add memory 1 0215551234 Ana");
        h.Control("phonebook add memory 2 0217770000 Desk");
        h.Start();
        ASSERT_TRUE(h.WaitForCommand(DM_GET_INFO, 40000));
        // The start-up has read both phonebooks, so calls are logged.
        ASSERT_TRUE(h.WaitFor([&](const Events&) { return (h.State().messageFlags.load() & 0x0C) == 0x0C; }));
        h.State().activeView = 1;  // the keypad view is open
    }
    int Count(const std::string& kind, int id, std::optional<std::int64_t> a = {})
    {
        int n = 0;
        for (const auto& e : h.Fake().Events())
            if (e.kind == kind && e.id == id && (!a || e.a == *a))
                ++n;
        return n;
    }
    bool WaitStatus(int line, const std::string& text)
    {
        return h.WaitFor([&](const Events& ev) {
            for (const auto& e : ev)
                if (e.kind == "status" && e.id == line && e.text == text)
                    return true;
            return false;
        });
    }
    bool WaitNoCall()
    {
        return h.WaitFor([&](const Events&) { return h.State().callStateWord.load() == 0xFFF0; });
    }
    bool WaitConversation()
    {
        return h.WaitFor([&](const Events&) { return (h.State().callFlags.load() & 0x01) != 0; });
    }
    void Press(std::uint8_t key)
    {
        {
            std::lock_guard lock(h.State().mutex);
            h.State().keyList.push_back(std::to_string(key));
        }
        ASSERT_TRUE(h.Engine().Worker().PostCommand(DM_KEY_PRESS, true));
    }
    void Dial(const std::string& number, std::deque<std::string> pauses = {})
    {
        {
            std::lock_guard lock(h.State().mutex);
            h.State().dialNumber = number;
            h.State().pauseList = std::move(pauses);
        }
        ASSERT_TRUE(h.Engine().Worker().PostCommand(DM_OUT_CALL));
    }
    std::vector<std::uint8_t> SimKeys()
    {
        return h.Sim().WithState([](auto& s) { return s.call.keys; });
    }
    bool WaitKeys(std::size_t n)
    {
        return h.WaitFor([&](const Events&) { return SimKeys().size() >= n; });
    }
    bool WaitSend(int wParam, std::int64_t lParam)
    {
        return h.WaitFor([&](const Events& ev) {
            for (const auto& e : ev)
                if (e.kind == "send" && e.id == WM_MODEM_EVENT && e.a == wParam && e.b == lParam)
                    return true;
            return false;
        });
    }

    CEngineHarness h;
};

TEST_F(CallCommandsTest, IncomingCallWithAPhonebookNameIsAnsweredAndEnded)
{
    StartPolling();
    h.Control("call incoming 0215551234");
    ASSERT_TRUE(WaitStatus(1, "Ana\n0215551234"));
    ASSERT_TRUE(h.WaitForEvent("post", WM_BRING_FRONT, 1));
    EXPECT_EQ(h.Fake().StatusText(2), "Incoming call");
    EXPECT_EQ(Count("post", WM_RING_START), 1);
    EXPECT_EQ(Count("post", WM_BRING_FRONT, 1), 1);
    EXPECT_EQ(h.State().callStateWord.load(), 2);

    // SEND while it rings stops the ring tone, then answers.
    ASSERT_TRUE(h.WaitFor([&](const Events&) { return h.State().lastCallState.load() == 0x85; }));
    Press(KEY_SEND);
    ASSERT_TRUE(h.WaitForEvent("post", WM_RING_STOP));
    ASSERT_TRUE(WaitConversation());
    EXPECT_EQ(SimKeys(), (std::vector<std::uint8_t>{KEY_SEND}));
    EXPECT_TRUE(h.WaitForEvent("timer", 104, 1000));
    EXPECT_TRUE(h.WaitForEvent("indicator", 1044, 128));
    EXPECT_TRUE(h.WaitForEvent("keypad", KEY_SEND));

    h.Control("call hangup");
    ASSERT_TRUE(WaitSend(4, 2));
    ASSERT_TRUE(WaitNoCall());
    EXPECT_EQ(h.Fake().StatusText(1), "");
    EXPECT_TRUE(h.WaitForEvent("kill", 104));
    EXPECT_EQ(Count("send", WM_MODEM_EVENT, 4), 1);  // logged once
}

TEST_F(CallCommandsTest, WithheldAndMissedCalls)
{
    StartPolling();
    struct Case {
        const char* control;
        const char* ringing;  // status line 1 while it rings
        const char* second;
        const char* missed;
    };
    const Case cases[] = {
        {"call incoming - restricted", "Restricted", "Incomming call", "Missed call\nRestricted"},
        {"call incoming - unavailable", "Unavailable", "Incoming call", "Missed call\nUnavailable"},
        {"call incoming 0219990000", "\n0219990000", "Incoming call", "Missed call\n0219990000"},
        {"call incoming -", "\n", "Incoming call", "Missed call\nUnknown"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.control);
        h.Fake().ClearEvents();
        h.Control(c.control);
        ASSERT_TRUE(WaitStatus(1, c.ringing));
        ASSERT_TRUE(h.WaitForEvent("post", WM_BRING_FRONT, 1));
        EXPECT_EQ(h.Fake().StatusText(2), c.second);
        h.Control("call giveup");
        ASSERT_TRUE(WaitStatus(1, c.missed));
        ASSERT_TRUE(WaitSend(4, 3));  // logged as missed once released
        EXPECT_TRUE(h.WaitForEvent("post", WM_RING_STOP));
        EXPECT_EQ(h.State().callStateWord.load(), 0xFFF0);
        EXPECT_EQ(h.State().callFlags.load() & 0x04, 0);
        const bool withNumber = std::string(c.missed).find('0') != std::string::npos ||
                                std::string(c.missed).find("Unknown") != std::string::npos;
        EXPECT_EQ(Count("send", WM_MODEM_EVENT, 13), withNumber ? 1 : 0);
        // The notice stays while the modem is idle again.
        ASSERT_TRUE(h.WaitFor([&](const Events&) { return h.State().lastCallState.load() == 0x82; }));
        EXPECT_EQ(h.Fake().StatusText(1), c.missed);
    }
}

TEST_F(CallCommandsTest, CallWaitingDuringAConversation)
{
    StartPolling();
    h.Control("call incoming 0215551234");
    ASSERT_TRUE(WaitStatus(1, "Ana\n0215551234"));
    ASSERT_TRUE(h.WaitFor([&](const Events&) { return h.State().lastCallState.load() == 0x85; }));
    Press(KEY_SEND);
    ASSERT_TRUE(WaitConversation());
    ASSERT_TRUE(h.WaitForEvent("timer", 104));

    h.Control("call incoming 0217770000 waiting");
    ASSERT_TRUE(WaitStatus(1, "Desk\n0217770000"));
    EXPECT_TRUE(h.WaitForEvent("timer", 108, 20000));
    EXPECT_EQ(Count("post", WM_RING_START), 1);  // only the first call rings
    EXPECT_NE(h.State().callFlags.load() & 0x02, 0);
    EXPECT_EQ(h.State().noticeState.load(), 2);
    {
        std::lock_guard lock(h.State().mutex);
        EXPECT_EQ(h.State().callNumber, "0215551234");
    }
    ASSERT_TRUE(h.WaitForEvent("indicator", 1044, 129));  // the notice blinks the call indicator
    EXPECT_EQ(Count("timer", 104), 1);  // the running call keeps its timer

    // SEND takes the waiting call: the shown call switches and the notice ends.
    Press(KEY_SEND);
    ASSERT_TRUE(WaitKeys(2));
    ASSERT_TRUE(WaitStatus(1, "Desk\n0217770000") );
    ASSERT_TRUE(h.WaitFor([&](const Events&) { return (h.State().callFlags.load() & 0x02) == 0; }));
    EXPECT_EQ(Count("kill", 108), 2);  // once when the notice started its timer, once by SEND
    h.Control("call hangup");
    ASSERT_TRUE(WaitNoCall());
}

TEST_F(CallCommandsTest, OutgoingAndEmergencyCalls)
{
    StartPolling();
    struct Case {
        const char* number;
        const char* dialling;  // status line 2 while dialling
        const char* talking;   // status line 2 in the conversation
    };
    const Case cases[] = {{"5550100", "Outgoing call", ""}, {"911", "Emergency Call", "Emergency Call"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        h.Fake().ClearEvents();
        Dial(c.number);
        ASSERT_TRUE(WaitStatus(2, c.dialling));
        ASSERT_TRUE(WaitSend(4, 0xFFFF));
        EXPECT_EQ(h.Sim().WithState([](auto& s) { return s.call.dialled; }), c.number);
        EXPECT_EQ(h.State().callStateWord.load(), 3);
        EXPECT_TRUE(h.WaitForEvent("timer", 1000, 100));
        // A second dial while the call goes out only logs.
        Dial("5559999");
        ASSERT_TRUE(h.WaitForLog("now out calling...."));
        ASSERT_TRUE(WaitConversation());
        ASSERT_TRUE(h.WaitForEvent("timer", 104));
        EXPECT_EQ(h.Fake().StatusText(2), c.talking);
        EXPECT_EQ(Count("post", WM_BRING_FRONT, 1), 0);  // our own call is no incoming one
        h.Control("call hangup");
        ASSERT_TRUE(WaitSend(4, 1));
        ASSERT_TRUE(WaitNoCall());
        std::lock_guard lock(h.State().mutex);
        h.State().dialNumber.clear();
    }
}

TEST_F(CallCommandsTest, KeyPressesSendThePauseDigitsAfterSend)
{
    StartPolling();
    h.State().dtmfMode = 1;  // continuous tones: digits go with the hold flag
    Press('5');  // outside a call nothing is sent
    Dial("5550100", {"12", "3"});
    ASSERT_TRUE(WaitConversation());

    Press(CCallCommands::kPauseKey);  // the pause code is never sent
    Press(KEY_SEND);
    ASSERT_TRUE(WaitKeys(2));
    ASSERT_TRUE(WaitStatus(1, "dtmf:3"));
    EXPECT_EQ(SimKeys(), (std::vector<std::uint8_t>{'1', '2'}));
    Press(KEY_SEND);
    ASSERT_TRUE(WaitKeys(3));
    ASSERT_TRUE(h.WaitFor([&](const Events& ev) {
        // Status line 1 is cleared after it showed "dtmf:3".
        bool shown = false;
        for (const auto& e : ev) {
            if (e.kind == "status" && e.id == 1 && e.text == "dtmf:3")
                shown = true;
            else if (shown && e.kind == "status" && e.id == 1 && e.text.empty())
                return true;
        }
        return false;
    }));
    Press(KEY_SEND);  // no pauses left: SEND itself goes out
    ASSERT_TRUE(WaitKeys(4));
    EXPECT_EQ(SimKeys(), (std::vector<std::uint8_t>{'1', '2', '3', KEY_SEND}));
    // Digits carry the hold flag; SEND does not.
    int keys = 0;
    for (const auto& r : h.WireRequests()) {
        if (r.size() < 3 || r[0] != diag_hs_key_req_type)
            continue;
        ++keys;
        EXPECT_EQ(r[1], r[2] == KEY_SEND ? 0 : 1) << "key " << int(r[2]);
    }
    EXPECT_EQ(keys, 4);
    h.Control("call hangup");
    ASSERT_TRUE(WaitNoCall());
}

}  // namespace
}  // namespace brivex::test
