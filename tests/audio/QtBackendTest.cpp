// The Qt Multimedia back end with no audio server: nothing opens, the log
// says why, and a call's PC voice still starts (the modem is told) and stops
// cleanly, only without PC audio. No test needs an audio server.
#include "audio/CPcVoiceFactory.h"
#include "audio/CQtAudioBackend.h"
#include "modem/CPcVoiceControl.h"
#include "modem/WorkerCommands.h"
#include "support/CEngineHarness.h"
#include "support/EnvGuard.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

namespace brivex::test {
namespace {

TEST(QtAudioBackend, WithNoAudioServerNothingOpensAndTheCallGoesOnWithoutPcAudio)
{
    // No server where the sound system would look for one.
    EnvGuard pulse("PULSE_SERVER", "unix:/nonexistent/brivex-no-audio-server");
    EnvGuard runtime("XDG_RUNTIME_DIR", "/nonexistent/brivex-no-runtime");
    {
        CQtAudioBackend backend;
        std::string error;
        EXPECT_EQ(backend.OpenPlayback(CWaveFormat::Voice(), error), nullptr);
        EXPECT_EQ(error, "no Qt application object");
    }

    static int argc = 1;
    static char name[] = "test_audio";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);

    CEngineHarness h;
    h.State().currentCommand = DM_PARKED;  // the worker does not run; its queue is looked at
    CQtAudioBackend backend;
    {
        std::string error;
        EXPECT_EQ(backend.OpenCapture(0, CWaveFormat::Voice(), [](int) {}, error), nullptr);
        EXPECT_FALSE(error.empty());
        error.clear();
        EXPECT_EQ(backend.OpenPlayback(CWaveFormat::Voice(), error), nullptr);
        EXPECT_FALSE(error.empty());
    }

    CPcVoiceFactory factory(backend);
    CPcVoiceControl control(h.Engine(), factory);
    control.Start();
    EXPECT_TRUE(control.Running());
    EXPECT_EQ(h.Engine().Worker().QueueSnapshot().front(), DM_PCVOICE_ENABLE);
    EXPECT_TRUE(h.LogContains("PC voice: no playback, the call goes on without the speakers: "));
    EXPECT_TRUE(h.LogContains("PC voice: no recording, the call goes on without the microphone: "));
    control.Stop();
    EXPECT_FALSE(control.Running());
    EXPECT_FALSE(h.Engine().VoicePort().IsOpen());
}

}  // namespace
}  // namespace brivex::test
