#include "modem/CModemWorker.h"

#include "app/CConfig.h"
#include "app/CDebugViews.h"
#include "modem/CCardPackets.h"
#include "modem/CEngine.h"
#include "modem/CGeneralPackets.h"
#include "modem/CNvRelayPackets.h"
#include "modem/CSmsPackets.h"
#include "modem/CStandardPackets.h"
#include "modem/CWindowSeam.h"
#include "modem/DiagCommands.h"
#include "modem/WorkerCommands.h"

#include <algorithm>
#include <span>
#include <string>

namespace brivex {

namespace {

using Buttons = CWindowSeam::Buttons;
using Icon = CWindowSeam::Icon;
using Target = CWindowSeam::Target;

constexpr std::uint16_t kCardChecked = 0x7FF3;
constexpr std::uint16_t kNoCall = 0xFFF0;
constexpr std::uint8_t kPhonebookMemoryRead = 0x04;
constexpr std::uint8_t kPhonebookCardRead = 0x08;
constexpr std::uint8_t kEvdoOnly = 0x20;
constexpr int kServiceSettleMs = 1000;
constexpr int kTimerCallTime = 104;
constexpr int kTimerRetry = 105;
constexpr int kTimerWeakSignal = 111;
constexpr int kTimerExit = 113;
constexpr int kTimerStatusRestore = 101;
constexpr std::uint8_t kCallUpState = 130;  // call-state codes above it mean a call is up
constexpr std::uint8_t kPhonebookMemoryStorage = 9;

bool KnownCommand(std::uint16_t id)
{
    switch (id) {
    case DM_GET_INFO: case DM_IN_CALL: case DM_STOP_WORK: case DM_UI_ENABLE: case DM_SMS_INFO2:
    case DM_PREF_CM_SYS_SEL: case DM_PCVOICE_ENABLE: case DM_PBOOK_INFO: case DM_GET_SERVICE: case DM_PARKED:
    case DM_PREF_READ: case DM_RUIM_STATUS: case DM_RUIM_VERIFY: case DM_RUIM_UNBLOCK: case DM_END_WORK:
    case DM_DEVICE_NULL:
        return true;
    default:
        return false;
    }
}

bool IsEndRequest(std::uint16_t id) { return id == DM_END_WORK || id == DM_DEVICE_NULL; }

// Appends the "still waiting" marks to the second status line, starting
// afresh once the line has grown past the limit.
void AppendWaitMarks(CWindowSeam& window, std::size_t limit)
{
    std::string line = window.StatusText(2);
    if (line.size() > limit)
        line.clear();
    window.SetStatusText(2, line + "**");
}

void ClearStatusTexts(CWindowSeam& window)
{
    for (int line = 1; line <= 3; ++line)
        window.SetStatusText(line, "");
}

}  // namespace

// --- the pure rules ---------------------------------------------------------

CModemWorker::Admission CModemWorker::Filter(std::uint16_t id, const FilterInput& in)
{
    if (in.current >= DM_HALTED)
        return Admission::Ignored;
    if (id == DM_OUT_CALL) {
        const bool linkUp = in.connectionState == 1 || in.connectionState == 2;
        if (linkUp && (in.serviceState == 2 || in.serviceState == 4)) {
            const bool warn = in.serviceState == 4 || in.callStateWord != 2;
            return warn ? Admission::RefusedWarning : Admission::RefusedQuiet;
        }
        return Admission::Queue;
    }
    if (id == DM_KEY_PRESS)
        return in.activeView == 1 ? Admission::Queue : Admission::Refused;
    return KnownCommand(id) ? Admission::Queue : Admission::Refused;
}

std::uint16_t CModemWorker::PickNext(std::deque<std::uint16_t>& queue, std::uint16_t current, int errorCount,
                                     bool portLent)
{
    if (current == DM_PARKED && portLent)
        return DM_PARKED;
    for (std::uint16_t end : {std::uint16_t{DM_END_WORK}, std::uint16_t{DM_DEVICE_NULL}}) {
        auto it = std::find(queue.begin(), queue.end(), end);
        if (it != queue.end()) {
            queue.erase(it);
            return end;
        }
    }
    if (errorCount != 0)
        return current;
    if (!queue.empty()) {
        const std::uint16_t head = queue.front();
        queue.pop_front();
        return head;
    }
    return current == DM_PARKED ? std::uint16_t{DM_PARKED} : std::uint16_t{DM_GET_INFO};
}

// --- the queue --------------------------------------------------------------

CModemWorker::CModemWorker(CEngine& engine) : m_engine(engine) {}

CModemWorker::~CModemWorker()
{
    if (Running()) {
        PostCommand(DM_END_WORK, true);
        EndRequested();
    }
    Join();
}

bool CModemWorker::PostCommand(std::uint16_t id, bool atHead)
{
    CEngineState& state = m_engine.State();
    FilterInput in;
    in.current = state.currentCommand.load();
    in.connectionState = state.connectionState.load();
    in.serviceState = state.serviceState.load();
    in.callStateWord = state.callStateWord.load();
    in.activeView = state.activeView.load();
    switch (Filter(id, in)) {
    case Admission::Ignored:
        return true;
    case Admission::Refused:
        return false;
    case Admission::RefusedWarning:
        m_engine.Window().MessageBox(kNoOutgoingCall, Icon::Warning);
        [[fallthrough]];
    case Admission::RefusedQuiet:
        m_engine.Window().StartTimer(kTimerStatusRestore, 50);
        return false;
    case Admission::Queue:
        break;
    }
    {
        std::lock_guard lock(m_queueMutex);
        if (atHead)
            m_queue.push_front(id);
        else
            m_queue.push_back(id);
    }
    if (IsEndRequest(id))
        EndRequested();
    else if (m_slowCardPoll)
        m_wake.Set();
    return true;
}

void CModemWorker::RemoveCommand(std::uint16_t id)
{
    std::lock_guard lock(m_queueMutex);
    auto it = std::find(m_queue.begin(), m_queue.end(), id);
    if (it != m_queue.end())
        m_queue.erase(it);
}

bool CModemWorker::IsCommandQueued(std::uint16_t id) const
{
    std::lock_guard lock(m_queueMutex);
    return std::find(m_queue.begin(), m_queue.end(), id) != m_queue.end();
}

void CModemWorker::ClearQueue()
{
    std::lock_guard lock(m_queueMutex);
    m_queue.clear();
}

std::deque<std::uint16_t> CModemWorker::QueueSnapshot() const
{
    std::lock_guard lock(m_queueMutex);
    return m_queue;
}

std::uint16_t CModemWorker::ChooseNext(std::uint16_t current, int errorCount)
{
    const bool lent = current == DM_PARKED && m_engine.Ops().HandOverActive();
    std::lock_guard lock(m_queueMutex);
    return PickNext(m_queue, current, errorCount, lent);
}

// An end request wakes the pass's wait, ends a card read that waits for its
// answer and closes the PIN dialog.
void CModemWorker::EndRequested()
{
    m_wake.Set();
    {
        std::lock_guard lock(m_longReadMutex);
        if (m_inLongRead)
            m_engine.DiagPort().CancelWaits();
    }
    if (m_pinDialogOpen)
        CancelPinDialog();
}

void CModemWorker::CancelPinDialog()
{
    if (!m_pinDialogOpen)
        return;
    m_pinCancelled = true;
    m_engine.Window().CancelPinDialog();
}

// --- the thread -------------------------------------------------------------

bool CModemWorker::Start(std::uint16_t firstCommand)
{
    // A worker that halted itself (the communication loss starts the retry
    // timer just before its thread returns) is joined; a running one stays.
    if (Running() && m_engine.State().currentCommand.load() != DM_HALTED) {
        BX_LOG(LEVEL_ST, "worker start refused: the worker still runs");
        return false;
    }
    Join();
    m_engine.State().currentCommand = firstCommand;
    m_wake.ResetEvent();
    m_slowCardPoll = false;
    m_cardRepeats = 0;
    m_pinCancelled = false;
    m_finished = false;
    m_thread = std::thread([this] { Run(); });
    return true;
}

void CModemWorker::Join()
{
    if (m_thread.joinable() && !OnWorkerThread())
        m_thread.join();
}

bool CModemWorker::Running() const { return m_thread.joinable() && !m_finished.load(); }

void CModemWorker::Run()
{
    CEngineState& state = m_engine.State();
    state.callStateWord = kNoCall;
    state.previousPassCount = state.newMessageCount.load();
    int errorCount = 0;
    for (;;) {
        WaitPass();
        MessageSoundRise();
        const std::uint16_t command = state.currentCommand.load();
        const StepResult result = Execute(command);
        if (result == StepResult::Ended)
            break;
        if (result == StepResult::Success)
            errorCount = 0;
        else if (result == StepResult::Failure)
            ++errorCount;
        else if (result == StepResult::Unknown)
            errorCount = 6;
        if (errorCount > 5) {
            CommunicationLoss();
            break;
        }
        // Someone else (the exit timer) may have halted the worker meanwhile.
        if (state.currentCommand.load() >= DM_HALTED)
            break;
        const std::uint16_t next = ChooseNext(command, errorCount);
        if (errorCount != 0 && next == command)
            BX_LOG(LEVEL_DM, "error_count = %d", errorCount);
        state.currentCommand = next;
    }
    m_finished = true;
}

void CModemWorker::WaitPass()
{
    const std::uint32_t period = m_slowCardPoll ? kSlowCardPollMs : m_engine.State().waitPeriod.load();
    m_wake.Wait(static_cast<long long>(period));
    if (!IsCommandQueued(DM_END_WORK) && !IsCommandQueued(DM_DEVICE_NULL))
        m_wake.ResetEvent();
}

// Sleeps inside a step; false when an end request cut it short.
bool CModemWorker::Pause(int ms)
{
    if (m_wake.Wait(static_cast<long long>(ms)))
        return !(IsCommandQueued(DM_END_WORK) || IsCommandQueued(DM_DEVICE_NULL));
    return true;
}

void CModemWorker::MessageSoundRise()
{
    CEngineState& state = m_engine.State();
    const std::uint16_t count = state.newMessageCount.load();
    if (count > state.previousPassCount.load()) {
        m_engine.Window().PlayMessageSound();
        m_engine.Window().Post(Target::MainWindow, WM_BRING_FRONT, 0, 0);
    }
    state.previousPassCount = count;
}

StepResult CModemWorker::Execute(std::uint16_t command)
{
    switch (command) {
    case DM_GET_INFO: {
        const StepResult result = m_engine.Poll().Run();
        if (result == StepResult::Success)
            m_engine.State().retryCount = 0;  // a restart that works starts the count afresh
        return result;
    }
    case DM_IN_CALL: return m_engine.Calls().InCall();
    case DM_OUT_CALL: return m_engine.Calls().OutCall();
    case DM_KEY_PRESS: return m_engine.Calls().KeyPress();
    case DM_STOP_WORK: return StopWork();
    case DM_UI_ENABLE: return UiEnable();
    case DM_SMS_INFO2: return SmsInfo();
    case DM_PREF_CM_SYS_SEL:
        BX_LOG(LEVEL_DM, "DM_PREF_CM_SYS_SEL:");
        m_engine.Control().ResetFunction(DM_PREF_CM_SYS_SEL, false);
        return StepResult::Success;
    case DM_PCVOICE_ENABLE: return PcVoiceEnable();
    case DM_PBOOK_INFO: return PhonebookInfo();
    case DM_GET_SERVICE: return GetService();
    case DM_PARKED: return StepResult::Neutral;
    case DM_PREF_READ: return PrefRead();
    case DM_RUIM_STATUS: return CardStatus();
    case DM_RUIM_VERIFY:
    case DM_RUIM_UNBLOCK: return CardVerify(command);
    case DM_END_WORK: return EndWork();
    case DM_DEVICE_NULL: return DeviceNull();
    case DM_HALTED: return StepResult::Ended;
    default: return StepResult::Unknown;
    }
}

int CModemWorker::Transact(const std::uint8_t* request, std::size_t length, std::uint32_t timeoutMs,
                           std::uint8_t* response, std::size_t& answerLength)
{
    const int rc = m_engine.DiagPort().Transact(request, response, length, timeoutMs, CCommPort::kMinResponse);
    answerLength = rc == CCommPort::kAnswer ? m_engine.DiagPort().LastResponseLength() : 0;
    return rc;
}

// --- start-up sequence --------------------------------------------------------

StepResult CModemWorker::PrefRead()
{
    CEngineState& state = m_engine.State();
    std::uint8_t response[CCommPort::kMinResponse];
    std::size_t length = 0;
    const auto prefRequest = CNvRelayPackets::BuildRead(NV_PREF_MODE_I, state.modemType.load());
    if (!prefRequest
        || Transact(prefRequest->data(), prefRequest->size(), prefRequest->TimeoutMs(), response, length) != 0) {
        BX_LOG(LEVEL_ERR, "read pef mode error ");
        return StepResult::Failure;
    }
    const auto pref = CNvRelayPackets::ParseReadResponse(std::span(response, length), NV_PREF_MODE_I);
    if (!pref) {
        BX_LOG(LEVEL_ERR, "read pef mode error ");
        return StepResult::Failure;
    }
    const std::uint16_t mode = pref->preferredMode;
    BX_LOG(LEVEL_DM, "===> PrfMode = %d", mode);
    CConfig::WriteInt(keys::PrefMode, mode);
    if (mode == 1)
        state.radioFlags.fetch_or(0x10);
    else if (mode == 10)
        state.radioFlags.fetch_or(kEvdoOnly);
    state.preferredMode = mode;
    if ((state.radioFlags.load() & kEvdoOnly) == 0) {
        const auto hybridRequest = CNvRelayPackets::BuildRead(NV_HYBRID_PREF_I, state.modemType.load());
        if (!hybridRequest
            || Transact(hybridRequest->data(), hybridRequest->size(), hybridRequest->TimeoutMs(), response, length)
                   != 0) {
            BX_LOG(LEVEL_ERR, "read hybrid pref error ");
            return StepResult::Failure;
        }
        const auto hybrid = CNvRelayPackets::ParseReadResponse(std::span(response, length), NV_HYBRID_PREF_I);
        if (!hybrid) {
            BX_LOG(LEVEL_ERR, "read hybrid pref error ");
            return StepResult::Failure;
        }
        BX_LOG(LEVEL_DM, "===> hybrid = %d", hybrid->hybridPreference);
        CConfig::WriteInt(keys::Hybrid, hybrid->hybridPreference);
        if (hybrid->hybridPreference == 0)
            state.radioFlags.fetch_or(0x02);
        else if (hybrid->hybridPreference == 1)
            state.radioFlags.fetch_or(0x01);
    }
    PostCommand(DM_GET_SERVICE);
    return StepResult::Success;
}

StepResult CModemWorker::GetService()
{
    BX_LOG(LEVEL_DM, "DM_GET_SERVICE Start");
    // Counted as failed unless the whole identity read goes through.
    const std::uint16_t result = m_engine.Ops().DmSub(DM_GET_SERVICE, 0, true);
    if (result != DM_GET_SERVICE) {
        BX_LOG(LEVEL_ERR, "dm_get_service error=0x%x", result);
        return StepResult::Failure;
    }
    if (!Pause(kServiceSettleMs))
        return StepResult::Neutral;
    ReadServiceRecord();
    if (!ReadInfoVersion())
        return StepResult::Failure;
    PostCommand(DM_PBOOK_INFO);
    // The card check comes right after the phonebook sizes (nothing else would queue it).
    PostCommand(DM_RUIM_STATUS);
    m_engine.Window().SetIndicator(1044, 0);
    return StepResult::Success;
}

void CModemWorker::ReadServiceRecord()
{
    CEngineState& state = m_engine.State();
    CWindowSeam& window = m_engine.Window();
    std::uint8_t response[CCommPort::kMinResponse];
    std::size_t length = 0;
    const CRequestPacket request = CGeneralPackets::BuildServiceRequest();
    const int rc = Transact(request.data(), request.size(), request.TimeoutMs(), response, length);
    const auto service = CGeneralPackets::ParseServiceResponse(std::span(response, length));
    if (rc != 0 || !service) {
        BX_LOG(LEVEL_ERR, "dm_get_service status error=%d", rc);
        return;
    }
    BX_LOG(LEVEL_DM, "ServiceMode=0x%2X", service->serviceMode);
    CConfig::WriteInt(keys::CallbackMax, service->callbackLimit);
    CConfig::WriteInt(keys::UnicodeMax, service->unicodeSmsLimit);
    CConfig::WriteInt(keys::AsciiMax, service->asciiSmsLimit);
    state.unicodeSmsLimit = service->unicodeSmsLimit;
    state.asciiSmsLimit = service->asciiSmsLimit;
    window.SetIndicator(1045, 0);
    state.voiceVolume = service->voiceVolume;
    state.ringVolume = service->ringVolume;
    window.SetIndicator(4, service->ringVolume);
    window.SetIndicator(1121, service->indicatorValue);
    state.serviceMode = service->serviceMode;
}

bool CModemWorker::ReadInfoVersion()
{
    std::uint8_t response[CCommPort::kMinResponse];
    std::size_t length = 0;
    const CRequestPacket request = CGeneralPackets::BuildInfoVersionRequest();
    const int rc = Transact(request.data(), request.size(), request.TimeoutMs(), response, length);
    const auto version = CGeneralPackets::ParseInfoVersionResponse(std::span(response, length));
    if (rc != 0 || !version) {
        BX_LOG(LEVEL_ERR, "get info version error=%d", rc);
        return false;
    }
    BX_LOG(LEVEL_DM, "version=%d.%d", version->major, version->minor);
    m_engine.State().featureWord = version->featureWord;
    return true;
}

StepResult CModemWorker::PhonebookInfo()
{
    CEngineState& state = m_engine.State();
    CWindowSeam& window = m_engine.Window();
    state.messageFlags.fetch_or(kPhonebookMemoryRead);
    bool failed = false;
    if ((state.messageFlags.load() & kPhonebookCardRead) == 0) {
        const std::uint16_t result = m_engine.Ops().DmSub(DM_PBOOK_INFO, kPhonebookMemoryStorage, true);
        if (result == DM_PBOOK_INFO)
            window.Send(Target::MainWindow, WM_MODEM_EVENT, 10, 0);
        BX_LOG(LEVEL_DM, "memory phonebook info again!");
        // The information read or the phonebook read behind 1529 failed.
        failed = result != DM_PBOOK_INFO || (state.messageFlags.load() & kPhonebookCardRead) == 0;
    }
    const std::uint8_t ready = kPhonebookMemoryRead | kPhonebookCardRead;
    if ((state.messageFlags.load() & ready) == ready) {
        ClearStatusTexts(window);
        PostCommand(DM_UI_ENABLE, true);
        PostCommand(DM_GET_INFO);
        state.noCardCounter = 0;
        return StepResult::Success;
    }
    window.SetIndicator(1, 5);
    AppendWaitMarks(window, 20);
    if (failed)
        return StepResult::Failure;  // the failure repeats the step; no second copy is queued
    PostCommand(DM_PBOOK_INFO, true);
    return StepResult::Success;
}

StepResult CModemWorker::SmsInfo()
{
    CEngineState& state = m_engine.State();
    CWindowSeam& window = m_engine.Window();
    std::uint8_t response[CCommPort::kMinResponse];
    std::size_t length = 0;
    const CRequestPacket request = CSmsPackets::BuildInfoRequest();
    const int rc = Transact(request.data(), request.size(), request.TimeoutMs(), response, length);
    const auto info = CSmsPackets::ParseInfoResponse(std::span(response, length));
    if (rc != 0 || !info) {
        window.SetStatusText(2, "");
        window.SetStatusText(3, "");
        BX_LOG(LEVEL_ERR, "get ruim info2 error ");
        return StepResult::Failure;
    }
    if (info->initialised != 0) {
        state.smsMaxSlot = info->maxSlots;
        BX_LOG(LEVEL_DM, "sms_max_slot = 0x%02x", info->maxSlots);
        ClearStatusTexts(window);
        state.pbMaxNameLength = 65;
        state.pbMaxNumberLength = 32;
        PostCommand(DM_PBOOK_INFO, true);
        state.noCardCounter = 0;
    } else {
        BX_LOG(LEVEL_DM, "false sms_max_slot = 0x%02x", info->maxSlots);
        window.SetIndicator(1, 5);
        AppendWaitMarks(window, 16);
        PostCommand(DM_SMS_INFO2);
    }
    if (state.callStateWord.load() == kCardChecked) {
        state.callStateWord = kNoCall;
        window.ShowProgress(false);
    }
    return StepResult::Success;
}

StepResult CModemWorker::PcVoiceEnable()
{
    std::uint8_t response[CCommPort::kMinResponse];
    std::size_t length = 0;
    const CRequestPacket request = CGeneralPackets::BuildPcVoiceEnable(m_engine.Window().PcVoiceRunning());
    const int rc = Transact(request.data(), request.size(), request.TimeoutMs(), response, length);
    if (rc != 0 || !CGeneralPackets::ParsePcVoiceEnableResponse(std::span(response, length)))
        BX_LOG(LEVEL_ERR, "pcvoice_enable error");
    return StepResult::Neutral;
}

StepResult CModemWorker::StopWork()
{
    BX_LOG(LEVEL_DM, "DM_STOP_WORK:");
    PostCommand(DM_PARKED, true);
    return StepResult::Success;
}

StepResult CModemWorker::UiEnable()
{
    CWindowSeam& window = m_engine.Window();
    window.EnableButtons(Buttons::Connect, true);
    window.EnableButtons(Buttons::Tabs, true);
    window.EnableButtons(Buttons::Volume, true);
    return StepResult::Success;
}

// --- card-state machine -------------------------------------------------------

StepResult CModemWorker::CardStatus()
{
    std::uint8_t response[CCommPort::kMinResponse];
    std::size_t length = 0;
    const CRequestPacket request = CCardPackets::BuildStatusRequest();
    {
        std::lock_guard lock(m_longReadMutex);
        if (IsCommandQueued(DM_END_WORK) || IsCommandQueued(DM_DEVICE_NULL))
            return StepResult::Neutral;  // the end comes next; no 60-second read first
        m_inLongRead = true;
    }
    const int rc = Transact(request.data(), request.size(), request.TimeoutMs(), response, length);
    {
        std::lock_guard lock(m_longReadMutex);
        m_inLongRead = false;
        m_engine.DiagPort().ResumeWaits();
    }
    const auto card = CCardPackets::ParseStatusResponse(std::span(response, length));
    if (rc != 0 || !card) {
        BX_LOG(LEVEL_ERR, "get ruim status error ");
        return StepResult::Failure;
    }
    m_engine.State().callStateWord = kCardChecked;
    if (card->connected == 0) {
        NoConnectedCard(*card);
        return StepResult::Success;
    }
    switch (card->cardState) {
    case CARD_VALID_CARD:
        BX_LOG(LEVEL_DM, "CARD_VALID_CARD");
        m_slowCardPoll = false;
        m_cardRepeats = 0;
        PostCommand(DM_SMS_INFO2);
        break;
    case CARD_NOT_INIT:
        BX_LOG(LEVEL_DM, "CARD_NOT_INIT");
        break;
    default: {
        const char* name = card->cardState == CARD_NO_CARD        ? "CARD_NO_CARD"
                           : card->cardState == CARD_INVALID_CARD ? "CARD_INVALID_CARD"
                           : card->cardState == CARD_NOT_READY    ? "CARD_NOT_READY"
                           : card->cardState == CARD_CARD_REINIT  ? "CARD_CARD_REINIT"
                                                                  : "default";
        BX_LOG(LEVEL_DM, "%s", name);
        RepeatCardCheck();
        return StepResult::Success;
    }
    }
    return CardLock(*card);
}

void CModemWorker::NoConnectedCard(const CardStatusRecord& card)
{
    CEngineState& state = m_engine.State();
    CWindowSeam& window = m_engine.Window();
    if (card.cardState == CARD_NO_CARD || card.cardState == CARD_INVALID_CARD) {
        if (card.cardState == CARD_NO_CARD) {
            BX_LOG(LEVEL_DM, "CARD_NO_CARD ");
            window.SetStatusText(1, "\nNO RUIM Card \nInserted");
        } else {
            BX_LOG(LEVEL_DM, "not card CARD_INVALID_CARD ");
            window.SetStatusText(1, "\nInvalid\nRUIM Card.");
        }
        if (state.noCardCounter.load() == kNoCardMessageAt)
            window.MessageBox(kInsertCard, Icon::Error);
    } else {
        BX_LOG(LEVEL_DM, "no card connetion uim_state = %d ", card.cardState);
    }
    const std::uint8_t counter = state.noCardCounter.load();
    state.noCardCounter = counter >= kNoCardMessageAt ? 0 : static_cast<std::uint8_t>(counter + 1);
    RepeatCardCheck();
}

// Queues the next card check; after kCardRepeatsBeforeSlow repeats in a row
// the passes of the card check wait kSlowCardPollMs instead of 200 ms.
void CModemWorker::RepeatCardCheck()
{
    if (m_cardRepeats < kCardRepeatsBeforeSlow)
        ++m_cardRepeats;
    else if (!m_slowCardPoll.exchange(true))
        BX_LOG(LEVEL_DM, "card check every %d ms from now on", kSlowCardPollMs);
    PostCommand(DM_RUIM_STATUS);
}

StepResult CModemWorker::CardLock(const CardStatusRecord& card)
{
    const int retries = card.retryCount;
    switch (card.lockState) {
    case CARD_PIN_DISABLED:
        BX_LOG(LEVEL_DM, "CARD_PIN_DISABLED");
        CConfig::Write(keys::ChvEnable, "0");
        CConfig::WriteInt(keys::Chv1Count, retries);
        return StepResult::Success;
    case CARD_PIN_ENABLED:
        BX_LOG(LEVEL_DM, "CARD_PIN_ENABLED");
        CConfig::WriteInt(keys::Chv1Count, retries);
        CConfig::Write(keys::ChvEnable, "1");
        return PinDialog(static_cast<std::uint8_t>(CWindowSeam::PinMode::Verify), DM_RUIM_VERIFY);
    case CARD_PIN_VERIFIED:
        BX_LOG(LEVEL_DM, "CARD_PIN_VERIFIED");
        if (card.cardState == CARD_NOT_INIT)
            PostCommand(DM_RUIM_STATUS, true);
        else
            CConfig::WriteInt(keys::Chv1Count, retries);
        return StepResult::Success;
    case CARD_PIN_BLOCKED:
        BX_LOG(LEVEL_DM, "CARD_PIN_BLOCKED");
        if (retries != 0) {
            CConfig::WriteInt(keys::Chv1PukCount, retries);
            return PinDialog(static_cast<std::uint8_t>(CWindowSeam::PinMode::Unblock), DM_RUIM_UNBLOCK);
        }
        m_engine.Window().MessageBox(kUnblockBlocked, Icon::Error);
        return StepResult::Success;
    default:
        BX_LOG(LEVEL_DM, "%s", card.lockState == CARD_PIN_PERM_DISABLED ? "CARD_PIN_PERM_DISABLED"
                               : card.lockState == CARD_PIN_NOT_VALID   ? "CARD_PIN_NOT_VALID"
                                                                        : "CARD_PIN_UNKNOWN");
        RepeatCardCheck();
        return StepResult::Success;
    }
}

StepResult CModemWorker::PinDialog(std::uint8_t mode, std::uint16_t next)
{
    m_pinCancelled = false;
    m_pinDialogOpen = true;
    const bool confirmed = m_engine.Window().ShowPinDialog(static_cast<CWindowSeam::PinMode>(mode));
    m_pinDialogOpen = false;
    if (confirmed && !m_pinCancelled) {
        RemoveCommand(DM_SMS_INFO2);
        PostCommand(next, true);
        return StepResult::Success;
    }
    m_engine.Window().ShowProgress(false);
    if (m_pinCancelled) {
        // Closed by the stop operation or the device watch: the worker ends, the program does not.
        BX_LOG(LEVEL_DM, "pin dialog closed: worker ends");
    } else {
        m_engine.Window().StartTimer(kTimerExit, 300);
    }
    m_engine.State().currentCommand = DM_HALTED;
    return StepResult::Ended;
}

StepResult CModemWorker::CardVerify(std::uint16_t command)
{
    const std::uintptr_t subCommand = command == DM_RUIM_UNBLOCK ? 5 : 1;
    const std::uint16_t result = m_engine.Ops().DmSub(DM_RUIM_VERIFY, subCommand, true);
    if (m_engine.State().callStateWord.load() == kCardChecked)
        PostCommand(DM_RUIM_STATUS);
    return result == DM_RESULT_TRANSACTION_FAILED ? StepResult::Failure : StepResult::Success;
}

// --- ending paths -------------------------------------------------------------

StepResult CModemWorker::EndWork()
{
    CEngineState& state = m_engine.State();
    BX_LOG(LEVEL_DM, "DM_END_WORK:");
    if (state.lastCallState.load() > kCallUpState) {
        std::uint8_t response[CCommPort::kMinResponse];
        std::size_t length = 0;
        const CRequestPacket request = CStandardPackets::BuildKeyPress(KEY_END, false);
        if (Transact(request.data(), request.size(), request.TimeoutMs(), response, length) == 0
            && CStandardPackets::ParseKeyPressResponse(std::span(response, length)))
            BX_LOG(LEVEL_DM, "dm end work: end key(%d) ok", 1);
    }
    state.currentCommand = DM_HALTED;
    BX_LOG(LEVEL_DM, "dm thread close 1");
    return StepResult::Ended;
}

// What the removal and the communication loss share: no call, no call
// timers, no PC voice, the worker halted and stopped with its ports.
void CModemWorker::QuietDown()
{
    CEngineState& state = m_engine.State();
    CWindowSeam& window = m_engine.Window();
    state.callFlags = 0;
    window.KillTimer(kTimerCallTime);
    window.StopPcVoice();
    window.KillTimer(kTimerWeakSignal);
    state.currentCommand = DM_HALTED;
    m_engine.Control().Stop();
}

StepResult CModemWorker::DeviceNull()
{
    BX_LOG(LEVEL_DM, "DM_DEVICE_NULL: driver remove.");
    QuietDown();
    BX_LOG(LEVEL_DM, "dm thread close 2");
    return StepResult::Ended;
}

void CModemWorker::CommunicationLoss()
{
    CWindowSeam& window = m_engine.Window();
    static constexpr std::pair<int, std::uint8_t> kLost[] = {{1040, 1}, {1041, 99}, {1042, 3}, {1044, 1},
                                                             {1043, 0}, {1045, 1},  {1046, 1}, {1, 0},
                                                             {1117, 128}, {1121, 0}};
    for (const auto& [id, value] : kLost)
        window.SetIndicator(id, value);
    BX_LOG(LEVEL_ST, "did not communication !!! ");
    QuietDown();
    const std::uint8_t retries = m_engine.State().retryCount.load();
    BX_LOG(LEVEL_ST, "dm thread close 3 %d", retries);
    if (retries < 3)
        window.StartTimer(kTimerRetry, 100);
}

}  // namespace brivex
