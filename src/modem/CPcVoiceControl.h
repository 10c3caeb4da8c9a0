#pragma once

#include "modem/IPcVoiceFactory.h"

#include <atomic>
#include <memory>
#include <mutex>

namespace brivex {

class CEngine;

// Starting and stopping PC voice for a call, as the main window does it
// when the worker asks (StartPcVoice, StopPcVoice): the voice port, the
// capture and the player, the enable byte and the command that tells the
// modem. A new capture and player are made for every call.
class CPcVoiceControl {
public:
    static constexpr int kRecordingDevice = 0;

    CPcVoiceControl(CEngine& engine, IPcVoiceFactory& factory);
    ~CPcVoiceControl();
    CPcVoiceControl(const CPcVoiceControl&) = delete;
    CPcVoiceControl& operator=(const CPcVoiceControl&) = delete;

    // Does nothing while PC voice runs, and nothing at all when the voice
    // port cannot be opened (e.g. another program holds it).
    void Start();
    // Does nothing while PC voice is off.
    void Stop();
    // The enable byte.
    bool Running() const;
    bool DownlinkStarted() const { return m_downlinkStarted.load(); }

private:
    bool OpenVoicePort();
    void StopLocked();

    CEngine& m_engine;
    IPcVoiceFactory& m_factory;
    std::mutex m_mutex;  // one start or stop at a time
    std::atomic<bool> m_downlinkStarted{false};
    std::unique_ptr<IPcVoiceCapture> m_capture;
    std::unique_ptr<IPcVoicePlayer> m_player;
    bool m_active = false;  // the objects exist (the enable byte may be cleared by a restart)
};

}  // namespace brivex
