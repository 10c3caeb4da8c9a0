// A call through the running engine: the worker starts PC voice when the
// call reaches its conversation and stops it at the release. The fake window
// forwards its PC-voice operations to the real start and stop, as the main
// window does, so the modem is told through the worker's own command.
#include "audio/CNullAudioBackend.h"
#include "audio/CPcVoiceFactory.h"
#include "modem/CPcVoiceControl.h"
#include "modem/DiagCommands.h"
#include "modem/WorkerCommands.h"
#include "support/CEngineHarness.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace brivex::test {
namespace {

using Events = CEngineHarness::Events;

class PcVoiceCallTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        backend.reset(new CNullAudioBackend(Options()));
        factory = std::make_unique<CPcVoiceFactory>(*backend);
        control = std::make_unique<CPcVoiceControl>(h.Engine(), *factory);
        // The fake records the worker's StartPcVoice and StopPcVoice; this
        // follows them with the real operations.
        bridge = std::thread([this] {
            while (!quit) {
                const bool wanted = h.Fake().PcVoiceRunning();
                if (wanted != control->Running() && (wanted || control->Running()))
                    wanted ? control->Start() : control->Stop();
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
    }
    void TearDown() override
    {
        quit = true;
        bridge.join();
        h.Stop();
        control.reset();
    }
    CNullAudioBackend::Options Options()
    {
        CNullAudioBackend::Options o;
        o.observer = [this](const std::uint8_t*, std::size_t, bool) { ++played; };
        return o;
    }
    int PcVoiceEvents(int on)
    {
        int n = 0;
        for (const auto& e : h.Fake().EventsOf("pcvoice"))
            n += e.a == on ? 1 : 0;
        return n;
    }
    bool SimPcVoice() { return h.Sim().WithState([](auto& s) { return s.pcVoice; }); }

    CEngineHarness h;
    std::unique_ptr<CNullAudioBackend> backend;
    std::unique_ptr<CPcVoiceFactory> factory;
    std::unique_ptr<CPcVoiceControl> control;
    std::atomic<bool> quit{false};
    std::atomic<int> played{0};
    std::thread bridge;
};

TEST_F(PcVoiceCallTest, AConversationStartsPcVoiceOnceAndItsReleaseStopsIt)
{
    h.Start();
    ASSERT_TRUE(h.WaitForCommand(DM_GET_INFO, 40000));
    h.State().activeView = 1;  // the keypad view is open
    h.Control("call incoming 0215551234");
    ASSERT_TRUE(h.WaitFor([&](const Events&) {
        return h.State().callStateWord.load() == 2 && h.State().lastCallState.load() == 0x85;
    }));
    EXPECT_FALSE(control->Running());  // ringing is no conversation
    {
        std::lock_guard lock(h.State().mutex);
        h.State().keyList.push_back(std::to_string(KEY_SEND));
    }
    ASSERT_TRUE(h.Engine().Worker().PostCommand(DM_KEY_PRESS, true));

    // The worker told the modem, the modem's downlink plays and the uplink flows.
    ASSERT_TRUE(h.WaitUntil([&] { return SimPcVoice(); }));
    ASSERT_TRUE(h.WaitUntil([&] { return played.load() >= 25 && h.Sim().Voice().GetStats().uplinkBytes >= 3200; }));
    EXPECT_TRUE(control->Running());
    EXPECT_EQ(PcVoiceEvents(1), 1);  // many polls of the conversation, one start
    EXPECT_EQ(backend->PlaybacksOpened(), 1);

    h.Control("call hangup");
    ASSERT_TRUE(h.WaitUntil([&] { return !control->Running() && !SimPcVoice(); }));
    EXPECT_EQ(PcVoiceEvents(0), 1);
    EXPECT_TRUE(h.WaitUntil([&] { return !h.Engine().VoicePort().IsOpen(); }));
    EXPECT_TRUE(h.LogContains("DIAG_D_CONV_S"));
    EXPECT_FALSE(h.LogContains("pcvoice_enable error"));
}

}  // namespace
}  // namespace brivex::test
