#pragma once

#include "dialup/CConnectionQueue.h"
#include "dialup/CTrafficCounters.h"
#include "dialup/RasTypes.h"
#include "platform/CEvent.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace brivex {

class CRasClient;
class CWindowSeam;
struct CEngineState;

// The data connection's thread: it takes one-byte commands from its queue,
// dials, monitors and hangs up, watches for a connection of the program's
// entry made outside the program, keeps the live traffic counters and writes
// the session records. It reaches the main window only through the seam and
// the shared state's connection state byte, and owns the dial-up client.
class CConnectionThread {
public:
    static constexpr const char* kStartPage = "http://www.corvana.example/";
    static constexpr int kConnectButton = 1000;
    static constexpr int kDisconnectButton = 1001;
    static constexpr int kSettingsButton = 1003;
    static constexpr int kConnectionTime = 1059;
    static constexpr unsigned kSettingsNotify = 1527;
    static constexpr const char* kNeedAccount =
        "Please input Username,Password & Service number for network connection.";
    static constexpr const char* kDuringCall = "Can not connect to network during outgoing call.";
    static constexpr const char* kDisconnecting = "Please Wait\nDisconnecting\t\n...";

    struct SAccount {
        std::string phoneNumber;
        std::string userName;
        std::string password;
    };
    // Makes a dial-up client with its statistics loaded; null when that fails.
    using ClientFactory = std::function<std::shared_ptr<CRasClient>()>;

    CConnectionThread(CWindowSeam& window, CEngineState& state, ClientFactory factory = {});
    ~CConnectionThread();
    CConnectionThread(const CConnectionThread&) = delete;
    CConnectionThread& operator=(const CConnectionThread&) = delete;

    // The main window's initialisation: creates the client, creates or
    // updates the entry, sets state 4 and starts the thread. False when the
    // client could not be made (nothing runs then).
    bool Initialise();
    // The dial-up account ([phonenumber], [username], [password]).
    void LoadAccount();
    void SetAccount(const SAccount& account);
    SAccount Account() const;

    // The buttons (UI thread).
    void OnConnect();
    void OnDisconnect();
    // The exit path: halts the thread and waits (bounded) until state 0.
    void Stop();
    // Main-window timer 114: state 4 and a fresh thread.
    void Restart();
    // The device watch: halt at the head while the modem is gone.
    void Halt();
    // The device watch's removal event, pulsed when a halt has ended the thread.
    void SetRemovalEvent(CEvent* removal);
    // Creates or updates the program's entry; a failure text becomes the connection status text.
    bool CreateOrUpdateEntry();

    CConnectionQueue& Queue() { return m_queue; }
    CTrafficCounters& Counters() { return m_counters; }
    std::string ConnectionStatusText() const;
    std::shared_ptr<CRasClient> Client() const;
    bool ThreadRunning() const { return m_running; }

    // The first error the dial progress callback saw (process-wide).
    static void ClearDialError();
    static int DialError();
    static int DialExtendedError();
    static void DialProgress(unsigned message, int state, int error, int extended);
    // "%02d:%02d:%02d", or with the days "%02d)%02d:%02d:%02d" once the raw duration reaches a day.
    static std::string FormatDuration(std::uint32_t rawMs, std::uint32_t liveMs);

private:
    void StartThread();
    void Run();
    // Runs one state; true when the thread ends.
    bool Execute(std::uint8_t state);
    void Watch();
    void Connect();
    void Monitor();
    bool DisconnectOrHalt(std::uint8_t state);
    bool DialAndWait();
    void Notify(std::uintptr_t wParam);
    void SetStatusText(const std::string& text);
    std::shared_ptr<CRasClient> MakeClient();

    CWindowSeam& m_window;
    CEngineState& m_state;
    ClientFactory m_factory;
    CConnectionQueue m_queue;
    CTrafficCounters m_counters;

    mutable std::mutex m_mutex;  // client, account, status text, removal event
    std::shared_ptr<CRasClient> m_client;
    SAccount m_account;
    std::string m_statusText;
    CEvent* m_removal = nullptr;

    std::atomic<bool> m_external{false};
    std::atomic<bool> m_eventExists{false};
    std::atomic<bool> m_running{false};
    CEvent m_wakeup{CEvent::Reset::Manual};
    std::thread m_thread;

    // Used by the connection thread only.
    bool m_hangUpNeeded = false;
    int m_missing = 0;
    std::optional<RasStatistics> m_statistics;
    std::string m_durationText;
};

}  // namespace brivex
