#include "modem/CStatusPoll.h"

#include "app/CConfig.h"
#include "app/CDebugViews.h"
#include "modem/CBatteryRules.h"
#include "modem/CCallDisplay.h"
#include "modem/CDiagExchange.h"
#include "modem/CEngine.h"
#include "modem/CGeneralPackets.h"
#include "modem/CMessageRules.h"
#include "modem/CSignalDisplay.h"
#include "modem/CWindowSeam.h"
#include "modem/DiagCommands.h"
#include "modem/WorkerCommands.h"

#include <chrono>
#include <thread>

namespace brivex {

namespace {

using namespace std::chrono_literals;

constexpr auto kPause = 50ms;
constexpr int kWeakSignalTimer = 111;
constexpr int kWeakSignalMs = 5000;
constexpr std::uint8_t kLinkConnected = 2;
constexpr std::uint8_t kLinkWatching = 4;
constexpr std::uint8_t kMessageCountChanged = 0x02;
constexpr const char* kStorageFullText = "Not enough space to store new message\nPlease delete the old messege.";

// The list operation reports a read list with 0; the other operations with their own id.
bool Succeeded(std::uint16_t result, std::uint16_t id)
{
    return result == id || (id == DM_SMS_LIST && result == 0);
}

}  // namespace

CStatusPoll::CStatusPoll(CEngine& engine)
    : m_engine(engine),
      m_calls(engine.Window(), engine.State(), [&engine](std::uint16_t command) {
          engine.Worker().PostCommand(command, false);
      })
{
}

StepResult CStatusPoll::Run()
{
    CDiagExchange exchange(m_engine.DiagPort());
    if (!ReadBattery(exchange))
        return StepResult::Neutral;
    std::this_thread::sleep_for(kPause);
    if (!ReadBanner(exchange))
        return StepResult::Failure;
    std::this_thread::sleep_for(kPause);
    const std::optional<StatusRecord> status = ReadStatus(exchange);
    if (!status)
        return StepResult::Failure;
    Apply(*status);
    return StepResult::Success;
}

bool CStatusPoll::ReadBattery(CDiagExchange& exchange)
{
    if (exchange.Run(CGeneralPackets::BuildBatteryRequest()) == 0) {
        const auto battery = CGeneralPackets::ParseBatteryResponse(exchange.Answer());
        if (battery) {
            ShowBattery(*battery);
            return true;
        }
    }
    BX_LOG(LEVEL_ST, "get vbat info error");
    return false;
}

void CStatusPoll::ShowBattery(const BatteryRecord& battery)
{
    CEngineState& state = m_engine.State();
    CWindowSeam& window = m_engine.Window();
    const auto display = CBatteryRules::Evaluate(battery, state.chargeDisplay.load());
    window.SetIndicator(1040, display.batteryLevel);
    state.batteryFlags = state.batteryFlags.load() | display.flagBits;
    if (display.charge) {
        window.SetIndicator(1128, *display.charge);
        state.chargeDisplay = static_cast<std::uint8_t>((state.chargeDisplay.load() & CBatteryRules::kWarningStarted) |
                                                        (*display.charge & 0x7F));
    }
}

bool CStatusPoll::ReadBanner(CDiagExchange& exchange)
{
    std::optional<BannerRecord> banner;
    if (exchange.Run(CGeneralPackets::BuildBannerRequest()) == 0) {
        auto parsed = CGeneralPackets::ParseBannerResponse(exchange.Answer());
        if (parsed)
            banner = std::move(parsed).Value();
    }
    if (!banner) {
        BX_LOG(LEVEL_ST, "DM_GET_INFO error.");
        return false;
    }
    if (banner->textLength == 0) {
        BX_LOG(LEVEL_DM, "GET_INFO TYPE ERROR.");
        return true;
    }
    CEngineState& state = m_engine.State();
    {
        std::lock_guard lock(state.mutex);
        state.networkBanner = banner->text;
    }
    // During a call and under a missed-call notice line 2 carries the call.
    CWindowSeam& window = m_engine.Window();
    if (CCallDisplay::BannerMayShow(state.callStateWord.load(), state.lastCallState.load(), window.StatusText(1)) &&
        window.StatusText(2) != banner->text)
        window.SetStatusText(2, banner->text);
    return true;
}

std::optional<StatusRecord> CStatusPoll::ReadStatus(CDiagExchange& exchange)
{
    const StatusLayout layout = StatusLayoutFor(m_engine.State().serviceMode.load());
    if (exchange.Run(CGeneralPackets::BuildStatusRequest()) == 0) {
        auto parsed = CGeneralPackets::ParseStatusResponse(exchange.Answer(), layout);
        if (parsed)
            return std::move(parsed).Value();
    }
    BX_LOG(LEVEL_ST, "dm_status error");
    return std::nullopt;
}

void CStatusPoll::Apply(const StatusRecord& status)
{
    CEngineState& state = m_engine.State();
    const std::uint8_t previousIndicator = state.incomingIndicator.load();
    KeepFields(status);
    WarnWeakSignal(status);
    if (status.serviceState != m_lastServiceState) {
        m_engine.Window().SetIndicator(1042, 255);
        m_lastServiceState = status.serviceState;
    }
    ShowService(status);
    m_calls.OnIncomingIndicator(previousIndicator, status.incomingCall);
    m_engine.Window().SetIndicator(1117, status.roaming);
    ReadDataRates(status);
    if (status.systemMode == SYS_MODE_EVDO && state.connectionState.load() == kLinkWatching) {
        m_engine.Window().SetIndicator(1044, 129);
        return;
    }
    StorageNotice(status.storageFull);
    NewMessages(status.newMessageCount);
    if (status.systemMode != SYS_MODE_EVDO)
        m_calls.OnCallState(status.callState);
}

void CStatusPoll::KeepFields(const StatusRecord& status)
{
    CEngineState& state = m_engine.State();
    state.newMessageCount = status.newMessageCount;
    state.storageFull = status.storageFull;
    state.incomingIndicator = status.incomingCall;
    state.roaming = status.roaming;
    state.signal1x = static_cast<std::int32_t>(status.signal1x);
    state.signalEvdo = static_cast<std::int32_t>(status.signalEvdo);
    state.alertFlag = status.alert;
    if (status.alert != 0)
        m_engine.Window().SetIndicator(1121, 130);
}

void CStatusPoll::WarnWeakSignal(const StatusRecord& status)
{
    CEngineState& state = m_engine.State();
    if (state.batteryFlags.load() != CBatteryRules::kFlagCharging ||
        (state.chargeDisplay.load() & CBatteryRules::kWarningStarted) != 0)
        return;
    CSignalDisplay::Thresholds limits;
    limits.oneEvdo = CConfig::Number(keys::RssiOneEvdo);
    limits.oneOne = CConfig::Number(keys::RssiOneOne);
    limits.one = CConfig::Number(keys::RssiOne);
    limits.evdo = CConfig::Number(keys::RssiEvdo);
    if (!CSignalDisplay::WeakSignal(status, limits))
        return;
    state.chargeDisplay = state.chargeDisplay.load() | CBatteryRules::kWarningStarted;
    m_engine.Window().StartTimer(kWeakSignalTimer, kWeakSignalMs);
}

void CStatusPoll::ShowService(const StatusRecord& status)
{
    CEngineState& state = m_engine.State();
    CWindowSeam& window = m_engine.Window();
    const auto shown = CSignalDisplay::Evaluate(status, state.noCardCounter.load(), state.signalToggle.load());
    for (const auto& update : shown.updates) {
        if (update.kind == CSignalDisplay::Update::Kind::LongSignal)
            window.SetLongSignal(update.id, update.value);
        else
            window.SetIndicator(update.id, static_cast<std::uint8_t>(update.value));
    }
    if (shown.serviceState)
        state.serviceState = *shown.serviceState;
    state.signalToggle = shown.signalToggle;
    if (shown.evdoService)
        state.lastCallState = CCallStateHandler::kEvdoCallState;
}

void CStatusPoll::ReadDataRates(const StatusRecord& status)
{
    CEngineState& state = m_engine.State();
    if (state.connectionState.load() != kLinkConnected)
        return;
    std::this_thread::sleep_for(kPause);
    state.dataSystemMode = status.dataSystemMode;
    state.dataRateKind = status.dataSystemMode;
    if (status.dataSystemMode == SYS_MODE_EVDO)
        m_engine.Ops().DmSub(DM_PREF_HDR_DRC, 0, true);
    else if (status.dataSystemMode == SYS_MODE_CDMA_1X)
        m_engine.Ops().DmSub(DM_PREF_1X_DRC, 0, true);
}

void CStatusPoll::StorageNotice(std::uint8_t storageFull)
{
    // Shown once when the store fills up, not on every poll while it stays full.
    const bool filled = storageFull != 0 && m_storageFullSeen == 0;
    m_storageFullSeen = storageFull;
    if (!filled)
        return;
    CWindowSeam::UserMsg notice;
    notice.text = kStorageFullText;
    notice.icon = CWindowSeam::Icon::Error;
    notice.mode = 2;
    notice.countdown = 3;
    notice.width = 420;
    notice.alignment = 1;
    m_engine.Window().ShowUserMsg(notice);
}

bool CStatusPoll::DeleteSilentVoiceMail()
{
    CEngineState& state = m_engine.State();
    if (state.voiceMailSlot.load() == -1)
        return false;
    if (!Succeeded(m_engine.Ops().DmSub(DM_SMS_VOICENUM, 0, true), DM_SMS_VOICENUM) || state.voiceMailCount.load() != 0)
        return false;
    if (!Succeeded(m_engine.Ops().DmSub(DM_SMS_REMOVEAT, 0, true), DM_SMS_REMOVEAT))
        return false;
    if (state.smsMemoryCount.load() > 0)
        state.smsMemoryCount = state.smsMemoryCount.load() - 1;
    return true;
}

void CStatusPoll::NewMessages(std::uint16_t count)
{
    CEngineState& state = m_engine.State();
    bool voiceMailDeleted = false;
    if (count > 0) {
        if (Succeeded(m_engine.Ops().DmSub(DM_SMS_LIST, SMS_STORAGE_MEMORY, true), DM_SMS_LIST))
            voiceMailDeleted = DeleteSilentVoiceMail();
        if (count != state.lastNewMessageCount.load()) {
            state.messageFlags = state.messageFlags.load() | kMessageCountChanged;
            state.lastNewMessageCount = count;
            BX_LOG(LEVEL_SMS, "new_sms_cnt = %d", count);
        }
    } else {
        state.lastNewMessageCount = 0;
    }
    const auto indicator = CMessageRules::SmsIndicator(state.voiceMailCount.load(), count, voiceMailDeleted);
    if (indicator)
        m_engine.Window().SetIndicator(1043, *indicator);
    WriteMessageCount(count);
}

void CStatusPoll::WriteMessageCount(std::uint16_t count)
{
    // The value is rewritten only when it changes: the poll runs five times a second.
    if (m_countWritten == count)
        return;
    CConfig::WriteInt(keys::SmsCount, count);
    m_countWritten = count;
}

}  // namespace brivex
