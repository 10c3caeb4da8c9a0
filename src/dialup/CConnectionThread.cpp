#include "dialup/CConnectionThread.h"

#include "app/CConfig.h"
#include "app/CDebugViews.h"
#include "dialup/CDialupEntry.h"
#include "dialup/CRasClient.h"
#include "dialup/CTrafficFiles.h"
#include "modem/CEngineState.h"
#include "modem/CWindowSeam.h"

#include <cstdio>

namespace brivex {

using namespace std::chrono_literals;

namespace {

constexpr int kNetworkLamp = 1046;
constexpr int kCallIndicator = 1044;
constexpr int kDataRateBar = 5;
constexpr int kStatusTimer = 101;
constexpr auto kCycle = 500ms;
constexpr auto kExitWait = 10s;

std::mutex g_dialErrorMutex;
int g_dialError = 0;
int g_dialExtendedError = 0;

}  // namespace

// --- the process-wide dial error ---------------------------------------------

void CConnectionThread::ClearDialError()
{
    std::lock_guard lock(g_dialErrorMutex);
    g_dialError = 0;
    g_dialExtendedError = 0;
}

int CConnectionThread::DialError()
{
    std::lock_guard lock(g_dialErrorMutex);
    return g_dialError;
}

int CConnectionThread::DialExtendedError()
{
    std::lock_guard lock(g_dialErrorMutex);
    return g_dialExtendedError;
}

void CConnectionThread::DialProgress(unsigned /*message*/, int /*state*/, int error, int extended)
{
    std::lock_guard lock(g_dialErrorMutex);
    if (error != 0 && g_dialError == 0) {
        g_dialError = error;
        g_dialExtendedError = extended;
    }
}

std::string CConnectionThread::FormatDuration(std::uint32_t rawMs, std::uint32_t liveMs)
{
    const std::uint32_t s = liveMs / 1000;
    char text[48];
    if (rawMs >= 86400000u)
        std::snprintf(text, sizeof text, "%02u)%02u:%02u:%02u", s / 86400, (s / 3600) % 24, (s / 60) % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%02u:%02u:%02u", s / 3600, (s / 60) % 60, s % 60);
    return text;
}

// --- set-up and the window's operations ----------------------------------------

CConnectionThread::CConnectionThread(CWindowSeam& window, CEngineState& state, ClientFactory factory)
    : m_window(window), m_state(state), m_factory(std::move(factory))
{
}

CConnectionThread::~CConnectionThread()
{
    if (m_thread.joinable()) {
        if (m_running)
            Stop();
    }
    m_eventExists = false;
    m_wakeup.Set();
    if (m_thread.joinable())
        m_thread.join();
}

std::shared_ptr<CRasClient> CConnectionThread::MakeClient()
{
    if (m_factory)
        return m_factory();
    auto client = std::make_shared<CRasClient>();
    if (client->LoadStatisticsFunctions() != 1)
        return nullptr;
    return client;
}

std::shared_ptr<CRasClient> CConnectionThread::Client() const
{
    std::lock_guard lock(m_mutex);
    return m_client;
}

void CConnectionThread::LoadAccount()
{
    SetAccount({CConfig::Text(keys::PhoneNumber), CConfig::Text(keys::UserName), CConfig::Text(keys::Password)});
}

void CConnectionThread::SetAccount(const SAccount& account)
{
    std::lock_guard lock(m_mutex);
    m_account = account;
}

CConnectionThread::SAccount CConnectionThread::Account() const
{
    std::lock_guard lock(m_mutex);
    return m_account;
}

std::string CConnectionThread::ConnectionStatusText() const
{
    std::lock_guard lock(m_mutex);
    return m_statusText;
}

void CConnectionThread::SetRemovalEvent(CEvent* removal)
{
    std::lock_guard lock(m_mutex);
    m_removal = removal;
}

bool CConnectionThread::CreateOrUpdateEntry()
{
    const auto client = Client();
    const SAccount account = Account();
    std::string failure;
    const bool ok =
        CDialupEntry::CreateOrUpdate(client.get(), account.phoneNumber, account.userName, account.password, failure);
    if (!failure.empty()) {
        std::lock_guard lock(m_mutex);
        m_statusText = failure;
    }
    return ok;
}

bool CConnectionThread::Initialise()
{
    auto client = MakeClient();
    if (!client) {
        BX_LOG(LEVEL_ST, "Ras userinitinstance() error ");
        return false;
    }
    {
        std::lock_guard lock(m_mutex);
        m_client = std::move(client);
    }
    CreateOrUpdateEntry();
    m_state.connectionState = CConnectionQueue::kWatch;
    StartThread();
    return true;
}

void CConnectionThread::StartThread()
{
    if (m_thread.joinable())
        m_thread.join();  // a thread that ended by itself
    m_eventExists = true;
    m_wakeup.ResetEvent();
    m_running = true;
    m_thread = std::thread([this] { Run(); });
}

void CConnectionThread::OnConnect()
{
    if (!Client())
        return;
    const SAccount account = Account();
    if (account.phoneNumber.empty()) {
        m_window.MessageBox(kNeedAccount, CWindowSeam::Icon::Warning);
        return;
    }
    if ((m_state.serviceState & 0x06) != 0 && m_state.lastCallState > 130) {
        m_window.MessageBox(kDuringCall, CWindowSeam::Icon::Warning);
        return;
    }
    CreateOrUpdateEntry();
    m_external = false;
    m_window.EnableControl(kConnectButton, false);
    m_queue.Push(CConnectionQueue::kConnect, true);
    m_counters.durationBase = 0;
    m_window.EnableControl(kSettingsButton, false);
}

void CConnectionThread::OnDisconnect()
{
    if (!Client())
        return;
    m_window.EnableControl(kDisconnectButton, false);
    m_queue.Push(CConnectionQueue::kDisconnect, true);
    m_window.EnableControl(kSettingsButton, true);
}

void CConnectionThread::Halt() { m_queue.Push(CConnectionQueue::kHalt, true); }

void CConnectionThread::Stop()
{
    const std::uint8_t state = m_state.connectionState;
    if (state != 0 && state != CConnectionQueue::kHalt) {
        m_window.EnableControl(kDisconnectButton, false);
        m_queue.Push(CConnectionQueue::kHalt, true);
    }
    if (m_running) {
        m_window.SetWaitCursor(true);
        if (!m_window.PumpUntil([this] { return m_state.connectionState == 0; }, kExitWait))
            BX_LOG(LEVEL_ST, "exit: the connection thread did not end within 10 s, going on");
        m_window.SetWaitCursor(false);
    }
    m_queue.Remove(CConnectionQueue::kAll);
    m_eventExists = false;
    m_wakeup.Set();
    if (m_thread.joinable())
        m_thread.join();
    std::lock_guard lock(m_mutex);
    if (m_removal)
        m_removal->Pulse();
}

void CConnectionThread::Restart()
{
    if (m_thread.joinable()) {
        m_eventExists = false;
        m_wakeup.Set();
        m_thread.join();
    }
    m_queue.Remove(CConnectionQueue::kAll);
    m_state.connectionState = CConnectionQueue::kWatch;
    if (!Client()) {
        auto client = MakeClient();
        std::lock_guard lock(m_mutex);
        m_client = std::move(client);
    }
    StartThread();
}

// --- the thread ------------------------------------------------------------------

void CConnectionThread::Run()
{
    while (m_eventExists) {
        m_wakeup.Wait(kCycle);
        if (!m_eventExists)
            break;
        if (Execute(m_state.connectionState))
            break;
        if (auto next = m_queue.TakeHead())
            m_state.connectionState = *next;
    }
    m_running = false;
}

bool CConnectionThread::Execute(std::uint8_t state)
{
    switch (state) {
    case CConnectionQueue::kWatch: Watch(); return false;
    case CConnectionQueue::kConnect: Connect(); return false;
    case CConnectionQueue::kMonitor: Monitor(); return false;
    case CConnectionQueue::kDisconnect:
    case CConnectionQueue::kHalt: return DisconnectOrHalt(state);
    default: return false;  // other values do nothing
    }
}

void CConnectionThread::Notify(std::uintptr_t wParam)
{
    if (m_window.IsOpen(CWindowSeam::Target::SettingsView))
        m_window.Post(CWindowSeam::Target::SettingsView, kSettingsNotify, wParam, 0);
}

void CConnectionThread::SetStatusText(const std::string& text)
{
    {
        std::lock_guard lock(m_mutex);
        m_statusText = text;
    }
    m_window.SetStatusText(1, text);
}

void CConnectionThread::Watch()
{
    m_counters.lastReset = std::time(nullptr);
    const auto client = Client();
    RasConnection found;
    if (client && client->FindConnection(CDialupEntry::kEntryName, found)) {
        m_counters.durationBase = 0;
        BX_LOG(LEVEL_RAS, "extern connecting");
        m_queue.Remove(CConnectionQueue::kWatch);
        m_queue.Push(CConnectionQueue::kConnect, false);
        client->AdoptHandle(found);
        m_external = true;
        m_hangUpNeeded = true;
    } else {
        m_queue.Push(CConnectionQueue::kWatch, false);
    }
}

void CConnectionThread::Connect()
{
    m_hangUpNeeded = true;
    m_counters.StartSession();
    m_window.SetIndicator(kNetworkLamp, 0);
    m_window.ShowControl(kConnectButton, false);
    m_window.ShowControl(kDisconnectButton, true);
    m_window.EnableControl(kDisconnectButton, true);
    if (!DialAndWait()) {
        BX_LOG(LEVEL_RAS, "userrasthread error");
        m_window.EnableControl(kConnectButton, true);
        m_queue.Push(CConnectionQueue::kDisconnect, true);
    } else {
        m_queue.Remove(CConnectionQueue::kWatch);
        m_queue.Push(CConnectionQueue::kMonitor, false);
        m_statistics = RasStatistics{};
        std::string number;
        if (m_state.activeView == 1) {
            std::lock_guard lock(m_state.mutex);
            number = m_state.dialNumber;
        }
        if (!number.empty())
            m_window.SetStatusText(1, number);
        else
            m_window.StartTimer(kStatusTimer, 5000);
        m_window.SetIndicator(kCallIndicator, 128);
        m_window.OpenUrl(kStartPage);
    }
    m_missing = 0;
}

bool CConnectionThread::DialAndWait()
{
    const auto client = Client();
    if (!client)
        return false;
    ClearDialError();
    if (!client->HasHandle()) {
        const SAccount account = Account();
        const int started = client->Dial(CDialupEntry::kEntryName, &CConnectionThread::DialProgress,
                                         account.phoneNumber, account.userName, account.password, "",
                                         CDialupEntry::kPhonebook);
        // A dial that cannot even start is reported as the dial error it is.
        if (started != 0)
            DialProgress(ras::kDialEventMessage, ras::kDisconnected, started, 0);
    }
    int missing = 0;
    bool connected = false;
    int finished = 0;
    do {
        if (m_queue.Contains(CConnectionQueue::kHalt) || m_queue.Contains(CConnectionQueue::kDisconnect))
            return false;
        std::string text;
        finished = client->StatusText(text, connected);
        SetStatusText(text);
        std::this_thread::sleep_for(100ms);
        if (const int error = DialError()) {
            std::string message;
            CRasClient::ErrorText(error, DialExtendedError(), message);
            BX_LOG(LEVEL_RAS, "dial error %d: %s\n", error, message.c_str());
            m_window.MessageBox(message, CWindowSeam::Icon::Information);
            return false;
        }
        RasConnection found;
        if (!client->FindConnection(CDialupEntry::kEntryName, found) && m_external && ++missing > 6)
            return false;
    } while (!finished);
    return connected;
}

void CConnectionThread::Monitor()
{
    const auto client = Client();
    RasStatistics statistics;
    if (client && m_statistics && client->GetStatistics(&statistics)) {
        *m_statistics = statistics;
        const std::uint32_t raw = statistics.connectDuration;
        const std::uint32_t base = m_counters.durationBase;
        const std::uint32_t live = raw >= base ? raw - base : 0;
        BX_LOG(LEVEL_RAS, "RAS ori=%d, last=%d, cp=%d ", static_cast<int>(raw), static_cast<int>(base),
               static_cast<int>(live));
        m_durationText = FormatDuration(raw, live);
        m_counters.bytesReceived = statistics.bytesRcved;
        m_counters.bytesSent = statistics.bytesXmited;
        m_counters.duration = live;
        Notify(4);
    }
    RasConnection found;
    if (client && client->FindConnection(CDialupEntry::kEntryName, found)) {
        m_missing = 0;
        m_queue.Push(CConnectionQueue::kMonitor, false);
        m_window.SetControlText(kConnectionTime, m_durationText);
        m_window.SetIndicator(kCallIndicator, 128);
        return;
    }
    if (m_missing++ >= 10) {
        m_queue.Push(CConnectionQueue::kDisconnect, true);
        m_window.SetControlText(kConnectionTime, "00:00:00:00");
        m_window.EnableControl(kSettingsButton, true);
    }
}

bool CConnectionThread::DisconnectOrHalt(std::uint8_t state)
{
    m_window.ShowControl(kDisconnectButton, false);
    m_window.EnableControl(kConnectButton, false);
    m_window.ShowControl(kConnectButton, true);

    // Session end for the traffic counters.
    if (m_counters.bytesReceived > 0) {
        CTrafficFiles::AppendSession(m_counters.duration, m_counters.bytesSent, m_counters.bytesReceived);
        Notify(44);
    }
    m_counters.Reset();
    Notify(4);

    if (state == CConnectionQueue::kDisconnect) {
        m_window.SetStatusText(1, kDisconnecting);
        m_window.EnableControl(kSettingsButton, true);
    }
    m_external = false;
    auto client = Client();
    if (m_hangUpNeeded) {
        if (!client || client->HangUp(CDialupEntry::kEntryName) != 1)
            BX_LOG(LEVEL_ST, "hang up connection error ");
        m_hangUpNeeded = false;
    }
    m_statistics.reset();
    if (client)
        client->ForgetHandle();
    m_window.EnableControl(kConnectButton, true);
    m_missing = 0;
    m_window.ForgetIndicator(kDataRateBar);
    m_window.SetIndicator(kDataRateBar, 128);
    m_window.SetControlText(kConnectionTime, "");

    // A fresh client for the next connection.
    if (client)
        client->Unload();
    client.reset();
    {
        std::lock_guard lock(m_mutex);
        m_client.reset();
    }
    auto fresh = MakeClient();
    if (!fresh) {
        BX_LOG(LEVEL_RAS, "Ras userinitinstance() error");
        m_eventExists = false;
        BX_LOG(LEVEL_RAS, "ras thread close 3");
        // The exit path waits for state 0; it must not wait in vain.
        m_state.connectionState = 0;
        return true;
    }
    {
        std::lock_guard lock(m_mutex);
        m_client = std::move(fresh);
    }

    if (state == CConnectionQueue::kHalt) {
        BX_LOG(LEVEL_RAS, "ras thread closed 1");
        m_state.connectionState = 0;
        std::lock_guard lock(m_mutex);
        if (m_removal)
            m_removal->Pulse();
        return true;
    }
    BX_LOG(LEVEL_RAS, "ras close ");
    m_queue.Push(CConnectionQueue::kWatch, false);
    m_window.StartTimer(kStatusTimer, 2000);
    m_window.SetIndicator(kNetworkLamp, 1);
    m_window.SetIndicator(kCallIndicator, 129);
    return false;
}

}  // namespace brivex
