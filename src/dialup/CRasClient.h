#pragma once

#include "dialup/RasTypes.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace brivex {

class CPppdSession;

// The thin layer between the program and the dial-up service, here pppd:
// keeps the program's entry in the private phonebook, dials it through pppd
// asynchronously, reports the progress as text, finds a running connection,
// hangs up, and reads and clears the connection statistics. It holds no
// policy; the connection thread decides when to dial and when to give up.
// Entry operations may run on the UI thread while the connection thread
// dials: the handle is guarded, the phonebook files are replaced whole.
class CRasClient {
public:
    // The progress callback: message, connection state, error (a pppd exit
    // status, 0 for none), extended error. It runs on a thread of the client.
    using DialCallback = std::function<void(unsigned message, int state, int error, int extended)>;

    CRasClient();
    ~CRasClient();
    CRasClient(const CRasClient&) = delete;
    CRasClient& operator=(const CRasClient&) = delete;

    // The statistics come from the interface counters the kernel keeps; 1 when they can be read.
    int LoadStatisticsFunctions();
    void Unload();

    int FindModemDevice(std::string& deviceName);
    int CreateEntry(const std::string& entryName, const std::string& deviceType, const std::string& deviceName,
                    std::uint32_t protocols, std::uint32_t framing, const std::string& phoneNumber,
                    const std::string& phonebook);
    // list: device name, phone number. 1 on success.
    int UpdateEntry(const std::string& entryName, const std::vector<std::string>& list, const std::string& phonebook);
    int SetEntryOptions(const std::string& entryName, std::uint32_t mask, bool set, const std::string& deviceType,
                        const std::string& deviceName, const std::string& phonebook);
    int GetEntry(const std::string& entryName, RasEntry& entry, const std::string& phonebook);
    int SetDialParams(const std::string& entryName, const std::string& userName, const std::string& password,
                      const std::string& phonebook);

    // 0 when pppd was started; the handle is kept in the client.
    int Dial(const std::string& entryName, DialCallback callback, const std::string& phoneNumber,
             const std::string& userName, const std::string& password, const std::string& domain,
             const std::string& phonebook);
    // 1 when the state is connected (connected set) or disconnected, else 0.
    int StatusText(std::string& text, bool& connected);
    int LastState() const;
    static int ErrorText(int error, int extended, std::string& text);
    static const char* StateText(int state);

    // 1 when an active connection of the entry (or on a Corvana device) runs; the last match is given.
    int FindConnection(const std::string& entryName, RasConnection& connection);
    int HangUp(const std::string& entryName);
    bool GetStatistics(RasStatistics* statistics);
    int ClearStatistics();

    // The connection handle.
    bool HasHandle() const;
    void AdoptHandle(const RasConnection& connection);
    void ForgetHandle();
    std::optional<RasConnection> Handle() const;

    // How long a hang-up waits for pppd to end before it is killed.
    static constexpr std::chrono::milliseconds kHangUpWait{8000};

private:
    struct SHandle {
        RasConnection link;
        std::shared_ptr<CPppdSession> session;  // null for a connection taken over
    };
    struct SCounters {
        std::uint64_t tx = 0, rx = 0;
        std::chrono::system_clock::time_point since{};
    };

    int StateOf(const SHandle& handle) const;
    std::optional<SCounters> ReadCounters(const SHandle& handle) const;
    bool HangUpHandle(const SHandle& handle);
    void LogResult(int result);

    mutable std::mutex m_mutex;
    std::optional<SHandle> m_handle;
    int m_lastState = ras::kOpenPort;   // the status record's state
    std::atomic<bool> m_statisticsLoaded{false};
    std::optional<SCounters> m_baseline;  // the counters at the last clear
};

}  // namespace brivex
