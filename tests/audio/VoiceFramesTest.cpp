// The parts of PC voice that need no device and no port: the uplink and
// downlink framing rules, how recorded chunks fill the recorder's buffers,
// the playback source's work buffer, the player's settings, and the
// recorder's buffer cycle and bounded stop on the null back end.
#include "audio/CCaptureBufferQueue.h"
#include "audio/CNullAudioBackend.h"
#include "audio/CPushSource.h"
#include "audio/CVoiceFrames.h"
#include "audio/ZelAudioPlayer.h"
#include "audio/ZelWaveIn.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <numeric>
#include <thread>
#include <vector>

namespace brivex::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Pattern(std::size_t n, std::uint8_t start = 0)
{
    Bytes b(n);
    std::iota(b.begin(), b.end(), start);
    return b;
}

// --- uplink ------------------------------------------------------------------

TEST(UplinkRule, OnlyWholeFramesAfterTheDownlinkStartedGoOutAsTwoHalves)
{
    struct Case {
        const char* name;
        bool downlinkStarted;
        std::size_t length;
        std::vector<std::size_t> writes;
    };
    const Case cases[] = {
        {"before the first downlink frame", false, 320, {}},
        {"a whole frame", true, 320, {160, 160}},
        {"a short buffer", true, 200, {}},
        {"two frames at once", true, 640, {}},
        {"nothing", true, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes frame = Pattern(std::max<std::size_t>(c.length, 1));
        Bytes wire;
        std::vector<std::size_t> writes;
        const bool sent = CVoiceFrames::SendUplink(frame.data(), c.length, c.downlinkStarted,
                                                   [&](const std::uint8_t* d, std::size_t n) {
                                                       writes.push_back(n);
                                                       wire.insert(wire.end(), d, d + n);
                                                       return n;
                                                   });
        EXPECT_EQ(writes, c.writes);
        EXPECT_EQ(sent, !c.writes.empty());
        if (sent) {
            EXPECT_EQ(wire, frame);  // first half, then second half
        }
    }
}

TEST(UplinkRule, AFailedFirstHalfSendsNoSecondHalf)
{
    const Bytes frame = Pattern(320);
    int writes = 0;
    EXPECT_FALSE(CVoiceFrames::SendUplink(frame.data(), frame.size(), true, [&](const std::uint8_t*, std::size_t) {
        ++writes;
        return std::size_t{0};
    }));
    EXPECT_EQ(writes, 1);
}

// --- downlink ----------------------------------------------------------------

TEST(DownlinkPass, OnlyAReadOfExactlyOneFrameIsPushedAndEveryReadStartsAtTheBufferStart)
{
    // What the port hands out, read after read.
    const std::vector<Bytes> reads = {{}, Pattern(200, 1), Pattern(320, 7), Pattern(319, 3), Pattern(320, 9)};
    std::size_t next = 0;
    std::vector<Bytes> pushed;
    std::vector<std::size_t> asked;
    Bytes work(5000, 0xEE);
    const auto read = [&](std::uint8_t* buffer, std::size_t capacity) {
        asked.push_back(capacity);
        const Bytes& r = reads.at(next++);
        std::copy(r.begin(), r.end(), buffer);
        return r.size();
    };
    const auto push = [&](const std::uint8_t* f, std::size_t n) {
        pushed.emplace_back(f, f + n);
        return true;
    };
    std::vector<bool> results;
    for (std::size_t i = 0; i < reads.size(); ++i)
        results.push_back(CVoiceFrames::DownlinkPass(read, work.data(), work.size(), push));
    EXPECT_EQ(results, (std::vector<bool>{false, false, true, false, true}));
    EXPECT_EQ(asked, std::vector<std::size_t>(reads.size(), 320));  // never more than a frame
    // The 200 bytes left nothing behind: the frames are exactly what was read.
    ASSERT_EQ(pushed.size(), 2u);
    EXPECT_EQ(pushed[0], Pattern(320, 7));
    EXPECT_EQ(pushed[1], Pattern(320, 9));
}

TEST(DownlinkPass, AWorkBufferShorterThanAFrameReadsNothing)
{
    Bytes small(100);
    bool readCalled = false;
    EXPECT_FALSE(CVoiceFrames::DownlinkPass([&](std::uint8_t*, std::size_t) { readCalled = true; return std::size_t{0}; },
                                            small.data(), small.size(),
                                            [](const std::uint8_t*, std::size_t) { return true; }));
    EXPECT_FALSE(readCalled);
}

// --- recording buffers --------------------------------------------------------

TEST(CaptureBufferQueue, ChunksOfAnySizeFillTheBuffersInOrder)
{
    std::vector<int> done;
    CCaptureBufferQueue queue([&](int index) { done.push_back(index); });
    std::vector<Bytes> buffers(3, Bytes(320));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(queue.Add(i, buffers[i].data(), buffers[i].size()));
    const Bytes stream = Pattern(1000);
    std::size_t at = 0;
    for (std::size_t chunk : {100u, 250u, 290u, 7u, 353u}) {
        queue.Feed(stream.data() + at, chunk);
        at += chunk;
    }
    EXPECT_EQ(done, (std::vector<int>{0, 1, 2}));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(buffers[i], Bytes(stream.begin() + 320 * i, stream.begin() + 320 * (i + 1)));
    EXPECT_EQ(queue.DroppedBytes(), 1000u - 960u);  // no buffer left for the rest
    EXPECT_EQ(queue.Held(), 0u);
}

TEST(CaptureBufferQueue, ClearForgetsTheBuffersWithoutAnnouncingThem)
{
    int done = 0;
    CCaptureBufferQueue queue([&](int) { ++done; });
    Bytes b(320);
    queue.Add(0, b.data(), b.size());
    queue.Feed(b.data(), 100);
    queue.Clear();
    queue.Feed(b.data(), 320);
    EXPECT_EQ(done, 0);
    EXPECT_EQ(queue.DroppedBytes(), 320u);
    EXPECT_FALSE(queue.Add(1, nullptr, 320));
}

// --- playback source -----------------------------------------------------------

TEST(PushSource, TakesOneFormatAndMarksTheFirstPushAsADiscontinuity)
{
    CPushSource source;
    EXPECT_TRUE(source.Accepts(CWaveFormat::Voice()));
    CWaveFormat stereo;
    stereo.channels = 2;
    EXPECT_FALSE(source.Accepts(stereo));
    CWaveFormat fast;
    fast.samplesPerSec = 16000;
    EXPECT_FALSE(source.Accepts(fast));

    const Bytes frame = Pattern(320);
    EXPECT_TRUE(source.Push(frame.data(), frame.size(), 1234));
    EXPECT_TRUE(source.Push(frame.data(), frame.size(), 1254));
    EXPECT_EQ(source.FirstTick(), 1234u);
    EXPECT_EQ(source.Discontinuities(), 1u);
    Bytes out(1000);
    EXPECT_EQ(source.Take(out.data(), out.size()), 640u);
    EXPECT_TRUE(std::equal(frame.begin(), frame.end(), out.begin() + 320));
}

TEST(PushSource, TheWorkBufferIsBoundedAndGivesUpTheOldestWholeFrames)
{
    CPushSource source;
    for (std::uint8_t i = 0; i < 20; ++i) {  // 6400 bytes into 5000
        const Bytes frame(320, i);
        ASSERT_TRUE(source.Push(frame.data(), frame.size(), 1));
    }
    EXPECT_LE(source.Pending(), CPushSource::kWorkBufferBytes);
    EXPECT_EQ(source.Pending() % 320, 0u);
    Bytes out(CPushSource::kWorkBufferBytes);
    const std::size_t n = source.Take(out.data(), out.size());
    EXPECT_EQ(out[n - 1], 19);  // the newest frame stayed
    EXPECT_EQ(out[0], static_cast<std::uint8_t>(20 - n / 320));
    EXPECT_EQ(source.DroppedBytes(), 6400u - n);

    const Bytes huge(CPushSource::kWorkBufferBytes + 1);
    EXPECT_FALSE(source.Push(huge.data(), huge.size(), 1));
    EXPECT_FALSE(source.Push(nullptr, 320, 1));
}

TEST(PushSource, ADiscontinuityDiscardsWhatWasWaiting)
{
    CPushSource source;
    const Bytes a(320, 1), b(320, 2);
    source.Push(a.data(), a.size(), 1);
    source.Push(b.data(), b.size(), 2, true);
    Bytes out(640);
    EXPECT_EQ(source.Take(out.data(), out.size()), 320u);
    EXPECT_EQ(out[0], 2);
}

// --- player settings --------------------------------------------------------------

TEST(PlayerSettings, DefaultsAndRanges)
{
    CNullAudioBackend backend;
    std::atomic<bool> started{false};
    ZelAudioPlayer player(backend, nullptr, started);
    EXPECT_EQ(player.GetVolume(), 100);
    EXPECT_EQ(player.GetBalance(), 0.0);
    EXPECT_TRUE(player.GetAcceptData());
    EXPECT_EQ(player.GetSpare(), 300);
    EXPECT_FALSE(player.IsOpen());

    struct VolumeCase { int set, got; };
    for (auto [set, got] : {VolumeCase{50, 50}, {-5, 0}, {101, 100}, {0, 0}}) {
        player.SetVolume(set);
        EXPECT_EQ(player.GetVolume(), got) << set;
    }
    struct BalanceCase { double set, got; };
    for (auto [set, got] : {BalanceCase{-0.5, -0.5}, {-2.0, -1.0}, {3.0, 1.0}}) {
        player.SetBalance(set);
        EXPECT_EQ(player.GetBalance(), got) << set;
    }
}

TEST(PlayerSettings, PushesNeedAnOpenPlayerThatAcceptsData)
{
    int handed = 0;
    std::vector<bool> discontinuities;
    CNullAudioBackend::Options options;
    options.observer = [&](const std::uint8_t*, std::size_t, bool d) {
        ++handed;
        discontinuities.push_back(d);
    };
    CNullAudioBackend backend(options);
    std::atomic<bool> started{false};
    ZelAudioPlayer player(backend, nullptr, started);
    const Bytes frame(320, 5);
    EXPECT_FALSE(player.PushData(frame.data(), frame.size(), 1));  // not open
    ASSERT_TRUE(player.Open(false));
    EXPECT_TRUE(player.PushData(frame.data(), frame.size(), 1));
    player.SetAcceptData(false);
    EXPECT_FALSE(player.PushData(frame.data(), frame.size(), 2));
    player.SetAcceptData(true);
    EXPECT_TRUE(player.PushData(frame.data(), frame.size(), 3));
    player.Close();
    EXPECT_FALSE(player.PushData(frame.data(), frame.size(), 4));
    EXPECT_EQ(handed, 2);
    EXPECT_EQ(discontinuities, (std::vector<bool>{true, false}));
}

// --- recorder on the null back end ---------------------------------------------------

class CountingWaveIn : public ZelWaveIn {
public:
    using ZelWaveIn::ZelWaveIn;
    ~CountingWaveIn() override { Stop(); }
    bool WaitFor(int n)
    {
        std::unique_lock lock(m_mutex);
        return m_cv.wait_for(lock, std::chrono::seconds(20), [&] { return m_calls >= n; });
    }
    std::vector<std::size_t> Lengths()
    {
        std::lock_guard lock(m_mutex);
        return m_lengths;
    }

protected:
    void DataCallback(const std::uint8_t*, std::size_t length) override
    {
        std::lock_guard lock(m_mutex);
        ++m_calls;
        m_lengths.push_back(length);
        m_cv.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    int m_calls = 0;
    std::vector<std::size_t> m_lengths;
};

TEST(WaveIn, BuffersKeepCyclingAndEachIsDeliveredWhole)
{
    CNullAudioBackend backend;
    CountingWaveIn in(backend);
    ASSERT_TRUE(in.Start(0, CWaveFormat::Voice(), 320));
    EXPECT_FALSE(in.Start(0, CWaveFormat::Voice(), 320));  // one recording at a time
    ASSERT_TRUE(in.WaitFor(12));  // more than five: the buffers came back
    in.Stop();
    for (std::size_t n : in.Lengths())
        EXPECT_EQ(n, 320u);
    EXPECT_EQ(in.QueuedBuffers(), 0);
    EXPECT_FALSE(in.Running());
}

TEST(WaveIn, ADeviceThatCannotOpenOrTheWrongFormatFailsTheStart)
{
    CNullAudioBackend::Options options;
    options.failCapture = true;
    CNullAudioBackend failing(options);
    CountingWaveIn a(failing);
    EXPECT_FALSE(a.Start(0, CWaveFormat::Voice(), 320));

    CNullAudioBackend backend;
    CountingWaveIn b(backend);
    CWaveFormat stereo;
    stereo.channels = 2;
    EXPECT_FALSE(b.Start(0, stereo, 320));
}

TEST(WaveIn, StopReturnsAfterItsBoundedWaitWhileTheDeviceHoldsEveryBuffer)
{
    CNullAudioBackend::Options options;
    options.holdBuffers = true;
    CNullAudioBackend backend(options);
    CountingWaveIn in(backend);
    ASSERT_TRUE(in.Start(0, CWaveFormat::Voice(), 320));
    EXPECT_EQ(in.QueuedBuffers(), ZelWaveIn::kBuffers);
    const auto begin = std::chrono::steady_clock::now();
    in.Stop();
    const auto took = std::chrono::steady_clock::now() - begin;
    EXPECT_GE(took, std::chrono::milliseconds(2900));  // it did wait for the buffers
    EXPECT_LT(took, std::chrono::seconds(15));          // and gave up on them
    EXPECT_EQ(in.QueuedBuffers(), 0);
}

}  // namespace
}  // namespace brivex::test
