#include "modem/CPcVoiceControl.h"

#include "app/CDebugViews.h"
#include "app/CPortDiscovery.h"
#include "modem/CEngine.h"
#include "modem/WorkerCommands.h"

namespace brivex {

namespace {
constexpr std::size_t kRecordingBufferBytes = 320;  // one 20 ms frame
}

CPcVoiceControl::CPcVoiceControl(CEngine& engine, IPcVoiceFactory& factory) : m_engine(engine), m_factory(factory) {}

CPcVoiceControl::~CPcVoiceControl()
{
    std::lock_guard lock(m_mutex);
    if (m_active) {
        // The engine may be going away too: no command, just the devices and the port.
        m_engine.State().pcVoiceRunning = false;
        m_downlinkStarted = false;
        if (m_player)
            m_player->Close();
        m_player.reset();
        if (m_capture)
            m_capture->StopCapture();
        m_capture.reset();
        m_engine.VoicePort().ClosePort();
    }
}

bool CPcVoiceControl::Running() const
{
    return m_engine.State().pcVoiceRunning.load();
}

bool CPcVoiceControl::OpenVoicePort()
{
    CCommPort& port = m_engine.VoicePort();
    if (port.IsOpen())
        return true;
    // Found afresh: a replugged modem may have new port numbers.
    CPortDiscovery discovery;
    const int number = discovery.FindVoicePort();
    if (number < 1)
        return false;
    port.SetPortNumber(static_cast<std::uint32_t>(number));
    port.SetBaudRate(m_engine.BaudRate());
    return port.OpenPort();
}

void CPcVoiceControl::Start()
{
    std::lock_guard lock(m_mutex);
    if (m_active) {
        if (Running())
            return;
        // A worker restart cleared the byte under a running pair: start afresh.
        StopLocked();
    }
    if (!OpenVoicePort()) {
        BX_LOG(LEVEL_COM, "PC voice: the voice port cannot be opened");
        return;
    }
    m_downlinkStarted = false;
    CCommPort& port = m_engine.VoicePort();
    m_capture = m_factory.MakeCapture(port, m_downlinkStarted);
    m_player = m_factory.MakePlayer(port, m_downlinkStarted);
    m_active = true;
    // Without working sound devices the call goes on without PC audio; the
    // halves log why.
    if (m_player)
        m_player->Open(true);
    if (m_capture)
        m_capture->StartCapture(kRecordingDevice, kRecordingBufferBytes);
    m_engine.State().pcVoiceRunning = true;
    m_engine.Worker().PostCommand(DM_PCVOICE_ENABLE, true);
}

void CPcVoiceControl::Stop()
{
    std::lock_guard lock(m_mutex);
    if (!m_active && !Running())
        return;
    StopLocked();
}

void CPcVoiceControl::StopLocked()
{
    m_engine.State().pcVoiceRunning = false;
    m_downlinkStarted = false;
    m_engine.Worker().PostCommand(DM_PCVOICE_ENABLE, true);
    if (m_player)
        m_player->Close();
    m_player.reset();
    if (m_capture)
        m_capture->StopCapture();
    m_capture.reset();
    if (m_engine.VoicePort().IsOpen())
        m_engine.VoicePort().ClosePort();
    m_active = false;
}

}  // namespace brivex
