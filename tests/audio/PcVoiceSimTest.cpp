// PC voice on the null back end against the simulated modem's voice port:
// start and stop as the main window runs them for the worker, the voice
// port held by another process, nothing up before the first downlink frame,
// short and late downlink frames, and the bounded stop.
#include "audio/CNullAudioBackend.h"
#include "audio/CPcVoiceFactory.h"
#include "modem/CPcVoiceControl.h"
#include "modem/WorkerCommands.h"
#include "support/CEngineHarness.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>

namespace brivex::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// What the null playback device was handed.
struct Playback {
    std::mutex mutex;
    std::uint64_t frames = 0;
    std::uint64_t notTone = 0;      // frames that are not the simulator's tone frame
    std::uint64_t discontinuities = 0;

    void Take(const std::uint8_t* data, std::size_t length, bool discontinuity)
    {
        std::lock_guard lock(mutex);
        ++frames;
        discontinuities += discontinuity ? 1 : 0;
        const Bytes& tone = sim::CSimVoice::ToneFrame();
        if (length != tone.size() || !std::equal(tone.begin(), tone.end(), data))
            ++notTone;
    }
    std::uint64_t Frames()
    {
        std::lock_guard lock(mutex);
        return frames;
    }
};

class PcVoiceSimTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The worker does not run: parked, so the commands stay in its queue to be looked at.
        h.State().currentCommand = DM_PARKED;
        Make({});
    }
    void Make(CNullAudioBackend::Options options)
    {
        control.reset();
        options.observer = [this](const std::uint8_t* d, std::size_t n, bool disc) { playback.Take(d, n, disc); };
        if (!options.fill)
            options.fill = [this](std::uint8_t* frame, std::size_t n) {
                // Every recorded frame carries its own number, so the wire shows whole frames in order.
                std::fill(frame, frame + n, static_cast<std::uint8_t>(++recorded));
            };
        backend = std::make_unique<CNullAudioBackend>(options);
        factory = std::make_unique<CPcVoiceFactory>(*backend);
        control = std::make_unique<CPcVoiceControl>(h.Engine(), *factory);
    }
    void Conversation(bool on)
    {
        h.Sim().WithState([on](auto& s) {
            s.pcVoice = on;
            s.status.callState = on ? 0x86 : 0x82;
        });
    }
    sim::CSimVoice::Stats Voice() { return h.Sim().Voice().GetStats(); }
    int QueuedEnables()
    {
        const auto q = h.Engine().Worker().QueueSnapshot();
        return static_cast<int>(std::count(q.begin(), q.end(), DM_PCVOICE_ENABLE));
    }
    void TearDown() override
    {
        control.reset();
        Conversation(false);
    }

    CEngineHarness h;
    Playback playback;
    std::atomic<int> recorded{0};
    std::unique_ptr<CNullAudioBackend> backend;
    std::unique_ptr<CPcVoiceFactory> factory;
    std::unique_ptr<CPcVoiceControl> control;
};

TEST_F(PcVoiceSimTest, StartAndStopSetTheEnableByteAndQueueTheCommandAtTheHead)
{
    h.Engine().Worker().PostCommand(DM_GET_INFO);
    control->Start();
    EXPECT_TRUE(control->Running());
    EXPECT_TRUE(h.State().pcVoiceRunning.load());
    EXPECT_TRUE(h.Engine().VoicePort().IsOpen());
    ASSERT_FALSE(h.Engine().Worker().QueueSnapshot().empty());
    EXPECT_EQ(h.Engine().Worker().QueueSnapshot().front(), DM_PCVOICE_ENABLE);

    control->Start();  // a conversation's later passes: nothing more
    EXPECT_EQ(QueuedEnables(), 1);
    EXPECT_EQ(backend->CapturesOpened(), 1);
    EXPECT_EQ(backend->PlaybacksOpened(), 1);

    h.Engine().Worker().ClearQueue();
    control->Stop();
    EXPECT_FALSE(control->Running());
    EXPECT_FALSE(control->DownlinkStarted());
    EXPECT_FALSE(h.Engine().VoicePort().IsOpen());
    EXPECT_EQ(QueuedEnables(), 1);  // the modem is told it is off

    control->Stop();  // the release's later passes: nothing more
    EXPECT_EQ(QueuedEnables(), 1);

    control->Start();  // the next call makes a new pair
    EXPECT_EQ(backend->CapturesOpened(), 2);
    EXPECT_TRUE(h.Engine().VoicePort().IsOpen());
}

TEST_F(PcVoiceSimTest, AVoicePortHeldByAnotherProcessLeavesEverythingUnchanged)
{
    const std::string device = h.Sim().DevicePath(sim::CSimModem::kVoiceInterface);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        // The other program: holds the port until it is killed.
        const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        const char ok = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 'y' : 'n';
        [[maybe_unused]] ssize_t n = ::write(ready[1], &ok, 1);
        ::pause();
        ::_exit(0);
    }
    char ok = 0;
    ASSERT_EQ(::read(ready[0], &ok, 1), 1);
    ::close(ready[0]);
    ::close(ready[1]);

    control->Start();
    EXPECT_EQ(ok, 'y');
    EXPECT_FALSE(h.State().pcVoiceRunning.load());
    EXPECT_TRUE(h.Engine().Worker().QueueSnapshot().empty());
    EXPECT_FALSE(h.Engine().VoicePort().IsOpen());
    EXPECT_EQ(backend->CapturesOpened() + backend->PlaybacksOpened(), 0);

    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    control->Start();  // free again: now it starts
    EXPECT_TRUE(h.State().pcVoiceRunning.load());
}

TEST_F(PcVoiceSimTest, NothingGoesUpBeforeTheFirstWholeDownlinkFrameThenWholeFramesInOrder)
{
    control->Start();
    // Recording runs, but the modem sends no downlink yet.
    ASSERT_TRUE(h.WaitUntil([&] { return recorded.load() >= 15; }));
    EXPECT_EQ(Voice().uplinkBytes, 0u);
    EXPECT_FALSE(control->DownlinkStarted());

    Conversation(true);
    ASSERT_TRUE(h.WaitUntil([&] { return Voice().uplinkBytes >= 3200; }));
    EXPECT_TRUE(control->DownlinkStarted());
    const auto st = Voice();
    EXPECT_EQ(st.uplinkBeforeDownlink, 0u);
    EXPECT_EQ(st.oddChunks, 0u);  // the port only ever saw half-frame writes
    // Frame by frame: each of the 320-byte frames is one recorded frame, its halves in order.
    ASSERT_GE(st.uplink.size(), 3200u);
    for (std::size_t f = 0; f + 320 <= st.uplink.size(); f += 320) {
        const std::uint8_t number = st.uplink[f];
        EXPECT_TRUE(std::all_of(st.uplink.begin() + f, st.uplink.begin() + f + 320,
                                [&](std::uint8_t b) { return b == number; }))
            << "frame at " << f;
        if (f > 0) {
            EXPECT_NE(number, st.uplink[f - 1]) << "frame at " << f << " repeats the one before";
        }
    }
}

TEST_F(PcVoiceSimTest, ShortReadsAreDroppedAndLateFramesStillPlayWhole)
{
    control->Start();
    Conversation(true);
    ASSERT_TRUE(h.WaitUntil([&] { return playback.Frames() >= 5; }));

    for (const char* fault : {"voice short 200", "voice late 100", "voice short 17"}) {
        SCOPED_TRACE(fault);
        const auto before = Voice();
        ASSERT_EQ(h.Control(fault).rfind("ok", 0), 0u);
        ASSERT_TRUE(h.WaitUntil([&] {
            const auto now = Voice();
            return now.shortSent + now.lateSent > before.shortSent + before.lateSent && now.framesSent > before.framesSent + 5;
        }));
    }
    // The downlink ends; what was sent whole has been played, and nothing else.
    Conversation(false);
    const auto st = Voice();
    EXPECT_EQ(st.shortSent, 2u);
    EXPECT_EQ(st.lateSent, 1u);
    ASSERT_TRUE(h.WaitUntil([&] { return playback.Frames() >= st.framesSent; }, 5000))
        << playback.Frames() << " of " << st.framesSent;
    std::lock_guard lock(playback.mutex);
    EXPECT_EQ(playback.frames, st.framesSent);
    EXPECT_EQ(playback.notTone, 0u);  // no frame was made of a piece and the next frame's start
    EXPECT_EQ(playback.discontinuities, 1u);
}

TEST_F(PcVoiceSimTest, StopReturnsInAboutThreeSecondsWhileTheDeviceHoldsItsBuffers)
{
    CNullAudioBackend::Options options;
    options.holdBuffers = true;
    Make(options);
    control->Start();
    Conversation(true);
    ASSERT_TRUE(h.WaitUntil([&] { return playback.Frames() >= 3; }));
    const auto begin = std::chrono::steady_clock::now();
    control->Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(15));
    EXPECT_FALSE(control->Running());
    EXPECT_FALSE(h.Engine().VoicePort().IsOpen());
}

}  // namespace
}  // namespace brivex::test
