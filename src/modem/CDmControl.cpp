#include "modem/CDmControl.h"

#include "app/CConfig.h"
#include "app/CDebugViews.h"
#include "app/CPortDiscovery.h"
#include "modem/CEngine.h"
#include "modem/CGeneralPackets.h"
#include "modem/CWindowSeam.h"
#include "modem/WorkerCommands.h"

#include <span>
#include <utility>

namespace brivex {

namespace {

using Buttons = CWindowSeam::Buttons;
using Target = CWindowSeam::Target;

constexpr std::uint8_t kFrameFlag = 0x7E;
constexpr std::uint32_t kLineSpeed = 115200;
constexpr int kConnectButton = 1000;
constexpr std::uintptr_t kPrefWritten = 2;
constexpr std::uintptr_t kPrefFailed = 0xFFFFFFFF;

}  // namespace

CDmControl::CDmControl(CEngine& engine) : m_engine(engine) {}

void CDmControl::ConfigurePorts()
{
    CWindowSeam& window = m_engine.Window();
    CCommPort& diag = m_engine.DiagPort();
    CCommPort& voice = m_engine.VoicePort();
    diag.SetEventMask(CCommPort::kEvRxFlag);
    voice.SetEventMask(CCommPort::kEvRxFlag);

    CPortDiscovery discovery;
    int diagPort = discovery.FindDiagnosticPort();
    m_engine.State().modemType = discovery.MatchKind();
    int voicePort = discovery.FindVoicePort();
    // Said once per start, however many ports are missing.
    if (diagPort < 1 || voicePort < 1)
        window.MessageBox(kNotAttached, CWindowSeam::Icon::Error);
    diagPort = std::max(diagPort, 0);
    voicePort = std::max(voicePort, 0);
    for (auto [port, number] : {std::pair<CCommPort*, int>{&diag, diagPort}, {&voice, voicePort}}) {
        port->SetPortNumber(static_cast<std::uint32_t>(number));
        port->SetCommParams(kFrameFlag, kLineSpeed, 8, 0, 0);
        port->SetBaudRate(m_engine.BaudRate());
    }
}

void CDmControl::UserDmRestart()
{
    CEngineState& state = m_engine.State();
    CWindowSeam& window = m_engine.Window();
    BX_LOG(LEVEL_DM, "UserDmRestart()");
    if (state.activeView.load() != 0)
        window.CloseActiveView();
    ConfigurePorts();

    state.pcVoiceRunning = false;
    state.radioFlags = 0;
    state.messageFlags = 0;
    state.lastNewMessageCount = 0;
    state.noCardCounter = 0;
    state.serviceMode = 0;
    state.featureWord = 0;
    state.callFlags = 0;
    CConfig::Write(keys::UserFlag, "0");
    if (state.openDialogKind.load() == 0)
        state.openDialogWindow = 0;
    state.smsSending = false;

    if (!m_engine.DiagPort().OpenPort()) {
        ShowPortLost();
        return;
    }
    state.waitPeriod = 200;
    BX_LOG(LEVEL_DM, "m_dwWait = %u", state.waitPeriod.load());
    state.lastCallState = 0;
    m_engine.Worker().Start(DM_PREF_READ);
}

// The indicators of a modem that cannot be reached, each redrawn.
void CDmControl::ShowPortLost()
{
    CWindowSeam& window = m_engine.Window();
    window.SetStatusText(1, kPortNotOpened);
    static constexpr std::pair<int, std::uint8_t> kNoPort[] = {
        {1040, 1}, {1041, 99}, {3, 99}, {1042, 3}, {1044, 1}, {1043, 0},
        {1045, 1}, {1046, 1}, {1117, 128}, {1121, 0}, {1128, 0}, {5, 128}};
    for (const auto& [id, value] : kNoPort) {
        window.ForgetIndicator(id);
        window.SetIndicator(id, value);
    }
    m_engine.State().signalToggle = 0;
    window.EnableControl(kConnectButton, true);
}

void CDmControl::Stop()
{
    CEngineState& state = m_engine.State();
    CWindowSeam& window = m_engine.Window();
    CModemWorker& worker = m_engine.Worker();
    worker.CancelPinDialog();
    const std::uint16_t current = state.currentCommand.load();
    if (current != DM_HALTED && current != DM_END_WORK)
        worker.PostCommand(DM_END_WORK, true);
    if (!worker.OnWorkerThread()) {
        // Pumping lets the worker's sent messages through while it ends.
        bool ended = window.PumpUntil(
            [&] { return state.currentCommand.load() == DM_HALTED || !worker.Running(); }, kStopWait);
        if (ended)
            ended = window.PumpUntil([&] { return !worker.Running(); }, kStopWait);
        if (!ended)
            BX_LOG(LEVEL_ST, "stop: the worker did not end within %lld ms",
                   static_cast<long long>(kStopWait.count()));
        else
            worker.Join();
        state.currentCommand = DM_HALTED;
    }
    if (m_engine.DiagPort().IsOpen()) {
        m_engine.DiagPort().ClosePort();
        window.SetIndicator(1, 3);
    }
    window.StopPcVoice();
    m_engine.VoicePort().ClosePort();
    worker.ClearQueue();
    if (state.activeView.load() != 0)
        window.CloseActiveView();
    window.SetStatusText(2, "");
    window.SetStatusText(3, "");
}

void CDmControl::EnableResetButtons(bool enable)
{
    CWindowSeam& window = m_engine.Window();
    for (Buttons group : {Buttons::Connect, Buttons::Tabs, Buttons::History, Buttons::Volume, Buttons::Menu})
        window.EnableButtons(group, enable);
}

std::uint16_t CDmControl::ResetFunction(std::uint16_t command, bool onWorker)
{
    if (!m_engine.DiagPort().IsOpen())
        return DM_RESULT_TRANSACTION_FAILED;
    if (!onWorker)
        EnableResetButtons(false);
    std::uint16_t result = DM_RESULT_MODEM_REFUSED;
    if (command == DM_PREF_CM_SYS_SEL)
        result = WritePreferredMode();
    if (!onWorker)
        EnableResetButtons(true);
    return result;
}

std::uint16_t CDmControl::WritePreferredMode()
{
    CEngineState& state = m_engine.State();
    CWindowSeam& window = m_engine.Window();
    BX_LOG(LEVEL_DM, "DM Reset Func DM_PREF_CM_SYS_SEL:");
    const int pref = CConfig::Int(keys::PrefMode);
    std::uint16_t result = DM_RESULT_PREF_WRITTEN;
    if (pref == -1) {
        BX_LOG(LEVEL_DM, "pref_mode value is unknown ");
        result = DM_RESULT_MISSING_ARGUMENT;
    } else {
        const int hybrid = CConfig::Int(keys::Hybrid);
        const CRequestPacket request = CGeneralPackets::BuildSystemSelect(
            static_cast<std::uint16_t>(pref), hybrid == -1 ? std::uint16_t{0xFFFF} : static_cast<std::uint16_t>(hybrid));
        std::uint8_t response[CCommPort::kMinResponse];
        const int rc = m_engine.DiagPort().Transact(request.data(), response, request.size(), request.TimeoutMs());
        const std::size_t length = rc == CCommPort::kAnswer ? m_engine.DiagPort().LastResponseLength() : 0;
        if (rc != CCommPort::kAnswer || !CGeneralPackets::ParseSystemSelectResponse(std::span(response, length))) {
            BX_LOG(LEVEL_ERR, "dm_pref_cm_sys_sel error");
            result = DM_RESULT_TRANSACTION_FAILED;
        } else {
            BX_LOG(LEVEL_DM, "dm_pref_cm_sys_sel Ok");
            state.radioFlags = 0;
            state.signalToggle = 0;
            window.ForgetIndicator(1041);
            std::uint8_t flags = 0;
            if (pref == 1)
                flags |= 0x10;
            else if (pref == 10)
                flags |= 0x20;
            if (hybrid == 0)
                flags |= 0x02;
            else if (hybrid == 1)
                flags |= 0x01;
            state.radioFlags = flags;
            state.preferredMode = static_cast<std::uint16_t>(pref);
        }
    }
    if (window.IsOpen(Target::SettingsView))
        window.Post(Target::SettingsView, WM_SETTINGS_NOTIFY,
                    result == DM_RESULT_PREF_WRITTEN ? kPrefWritten : kPrefFailed, 0);
    return result;
}

}  // namespace brivex
