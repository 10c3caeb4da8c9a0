// The port hand-over of the modem operations with the worker running: a
// caller other than the worker parks it, runs its operation and resumes it,
// and gets 0x7FF0 when the worker ends first.
#include "app/CDebugViews.h"
#include "modem/CCardPackets.h"
#include "modem/DiagCommands.h"
#include "modem/PhonebookEntry.h"
#include "modem/WorkerCommands.h"
#include "support/CEngineHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

namespace brivex::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Events = CEngineHarness::Events;

class ModemOpsHandOverTest : public ::testing::Test {
protected:
    // A worker that polls from its first pass: the start-up sequence is not
    // what these tests are about.
    void StartPolling()
    {
        CCommPort& port = h.Engine().DiagPort();
        port.SetPortNumber(sim::CSimModem::kDiagInterface + 1);  // COM<n+1> is ttyUSB<n>
        port.SetEventMask(CCommPort::kEvRxFlag);
        ASSERT_TRUE(port.OpenPort()) << port.DevicePath();
        h.State().lastCallState = DIAG_D_IDLE_S;
        ASSERT_TRUE(h.Engine().Worker().Start(DM_GET_INFO));
        ASSERT_TRUE(h.WaitFor([&](const Events&) { return First(QOR_CMD_GENERAL, QOR_SUB_STATUS) >= 0; }));
    }

    std::size_t Count(const Bytes& packet) const
    {
        const auto wire = h.WireRequests();
        return static_cast<std::size_t>(std::count(wire.begin(), wire.end(), packet));
    }

    // Index of the first request on the wire with this code and sub-command, or -1.
    long First(std::uint8_t code, std::uint16_t sub) const
    {
        const auto wire = h.WireRequests();
        for (std::size_t i = 0; i < wire.size(); ++i)
            if (wire[i].size() >= 3 && wire[i][0] == code && (wire[i][1] | (wire[i][2] << 8)) == sub)
                return static_cast<long>(i);
        return -1;
    }

    // Keeps the worker in a long card read: queued at the head, answered slowly.
    void WorkerBusyWithTheCard()
    {
        const Bytes cardStatus = CCardPackets::BuildStatusRequest().ToVector();
        const std::size_t before = Count(cardStatus);
        h.Control("carddelay 1500");
        ASSERT_TRUE(h.Engine().Worker().PostCommand(DM_RUIM_STATUS, true));
        ASSERT_TRUE(h.WaitFor([&](const Events&) { return Count(cardStatus) > before; }));
    }

    static long LineOf(const std::string& text)
    {
        const auto lines = CDebugViews::Instance().Lines();
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (lines[i].find(text) != std::string::npos)
                return static_cast<long>(i);
        return -1;
    }

    PhonebookEntry Entry() const
    {
        PhonebookEntry entry;
        entry.storage = PB_STORAGE_MEMORY;
        entry.index = 40;
        entry.number = "0215550040";
        entry.name = {'A', 'n', 'a'};
        return entry;
    }

    mutable CEngineHarness h;
};

TEST_F(ModemOpsHandOverTest, WaitsForTheParkAndResumesTheWorker)
{
    StartPolling();
    WorkerBusyWithTheCard();
    const PhonebookEntry entry = Entry();
    const std::uint16_t result =
        h.Engine().Ops().DmSub(DM_PBOOK_WRITE, reinterpret_cast<std::uintptr_t>(&entry), false);
    EXPECT_EQ(result, DM_PBOOK_WRITE);
    EXPECT_EQ(h.Sim().WithState([](auto& s) { return s.Phonebook(9)->entries.size(); }), 1u);

    // The write went out only after the card read ended and the worker parked.
    const long parked = LineOf("DM_STOP_WORK:");
    const long write = LineOf("Dm Sub DM_PBOOK_WRITE:");
    ASSERT_GE(parked, 0);
    EXPECT_LT(parked, write);
    EXPECT_FALSE(h.Engine().Ops().HandOverActive());
    const auto cursor = h.Fake().EventsOf("cursor");
    ASSERT_EQ(cursor.size(), 2u);
    EXPECT_EQ(cursor[0].a, 1);
    EXPECT_EQ(cursor[1].a, 0);

    // The worker polls again after the write.
    const long at = First(QOR_CMD_PBOOK, QOR_SUB_PB_WRITE);
    ASSERT_GE(at, 0);
    h.Control("carddelay 0");
    EXPECT_TRUE(h.WaitFor([&](const Events&) {
        const auto wire = h.WireRequests();
        return std::any_of(wire.begin() + at, wire.end(), [](const Bytes& r) {
            return r.size() >= 3 && r[0] == QOR_CMD_GENERAL && r[1] == QOR_SUB_STATUS && r[2] == 0;
        });
    }));
}

TEST_F(ModemOpsHandOverTest, WorkerEndingFirstGivesWorkerEnding)
{
    StartPolling();
    WorkerBusyWithTheCard();
    const PhonebookEntry entry = Entry();
    std::uint16_t result = 0;
    std::thread caller(
        [&] { result = h.Engine().Ops().DmSub(DM_PBOOK_WRITE, reinterpret_cast<std::uintptr_t>(&entry), false); });
    // The park request is queued before the wait cursor shows; the end request comes behind it.
    EXPECT_TRUE(h.WaitForEvent("cursor", 0, 1));
    h.Engine().Worker().PostCommand(DM_END_WORK);
    caller.join();
    EXPECT_EQ(result, DM_RESULT_WORKER_ENDING);
    EXPECT_EQ(First(QOR_CMD_PBOOK, QOR_SUB_PB_WRITE), -1);
    EXPECT_TRUE(h.WaitForCommand(DM_HALTED));
    EXPECT_EQ(h.Fake().EventsOf("cursor").back().a, 0);
}

// The pop-up's delete from the window's thread goes through the hand-over too.
TEST_F(ModemOpsHandOverTest, PopupDeleteGoesThroughTheHandOver)
{
    h.Control("sms 7 tag=1 already shown");
    StartPolling();
    h.State().popupRaised = true;
    h.Fake().RunOnUiThread([&] { h.Engine().Ops().DeletePopupSlot(7); });
    EXPECT_EQ(h.Sim().WithState([](auto& s) { return s.FindSms(SMS_STORAGE_MEMORY, 7); }), nullptr);
    EXPECT_FALSE(h.State().popupRaised.load());
    EXPECT_LT(LineOf("DM_STOP_WORK:"), LineOf("pop-up slot 7 deleted"));
    EXPECT_TRUE(h.WaitForCommand(DM_GET_INFO));
}

}  // namespace
}  // namespace brivex::test
