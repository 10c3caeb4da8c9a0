#include "dialup/CRasClient.h"

#include "app/CDebugViews.h"
#include "dialup/CPppdCommand.h"
#include "dialup/CPppdProgress.h"
#include "dialup/CPppdSession.h"
#include "dialup/CRasDevices.h"
#include "dialup/CRasLinks.h"
#include "dialup/CRasPhonebook.h"
#include "platform/CSysfs.h"
#include "platform/CSystemPaths.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <strings.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace brivex {

namespace {

std::optional<std::uint64_t> ReadCounter(const std::string& path)
{
    const auto text = CSysfs::ReadAttribute(path);
    if (!text || text->empty() || text->size() > 20)
        return std::nullopt;
    for (char c : *text)
        if (c < '0' || c > '9')
            return std::nullopt;
    return std::strtoull(text->c_str(), nullptr, 10);
}

bool WaitProcessEnded(pid_t pid, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (CRasLinks::ProcessAlive(pid)) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

}  // namespace

CRasClient::CRasClient() = default;

CRasClient::~CRasClient() = default;

int CRasClient::LoadStatisticsFunctions()
{
    m_statisticsLoaded = true;
    return 1;
}

void CRasClient::Unload() { m_statisticsLoaded = false; }

int CRasClient::FindModemDevice(std::string& deviceName)
{
    return CRasDevices::MatchModemDevices(CRasDevices::Enumerate(), deviceName);
}

int CRasClient::CreateEntry(const std::string& entryName, const std::string& deviceType,
                            const std::string& deviceName, std::uint32_t protocols, std::uint32_t framing,
                            const std::string& phoneNumber, const std::string& phonebook)
{
    const CRasPhonebook book(phonebook);
    const int valid = book.ValidateName(entryName);
    if (valid != ras::kSuccess)
        return valid;
    RasEntry entry;
    entry.phoneNumber = phoneNumber;
    entry.protocols = protocols;
    entry.framing = framing;
    entry.deviceType = deviceType;
    entry.deviceName = deviceName;
    entry.options = ras::kProgramOptions;
    return book.WriteEntry(entryName, entry) ? ras::kSuccess : ras::kCannotWriteEntry;
}

void CRasClient::LogResult(int result)
{
    std::string text;
    const int rc = ErrorText(result, 0, text);
    if (rc == 0)
        BX_LOG(LEVEL_RAS, "Error %d: %s\n", result, text.c_str());
    else
        BX_LOG(LEVEL_RAS, "RasGetErrorString failed, Return Value: %d\n", rc);
}

int CRasClient::GetEntry(const std::string& entryName, RasEntry& entry, const std::string& phonebook)
{
    const CRasPhonebook book(phonebook);
    if (!book.Exists(entryName))
        return ras::kNoEntry;
    const auto read = book.ReadEntry(entryName);
    const int result = read ? ras::kSuccess : ras::kCannotFindEntry;
    if (read)
        entry = *read;
    LogResult(result);
    return result;
}

int CRasClient::SetEntryOptions(const std::string& entryName, std::uint32_t mask, bool set,
                                const std::string& deviceType, const std::string& deviceName,
                                const std::string& phonebook)
{
    RasEntry entry;
    int result = GetEntry(entryName, entry, phonebook);
    entry.deviceType = deviceType;
    entry.deviceName = deviceName;
    if (result != ras::kSuccess)
        return result;
    entry.options = set ? (entry.options | mask) : (entry.options & ~mask);
    return CRasPhonebook(phonebook).WriteEntry(entryName, entry) ? ras::kSuccess : ras::kCannotWriteEntry;
}

int CRasClient::UpdateEntry(const std::string& entryName, const std::vector<std::string>& list,
                            const std::string& phonebook)
{
    RasEntry entry;
    const int result = GetEntry(entryName, entry, phonebook);
    if (result != ras::kSuccess) {
        BX_LOG(LEVEL_RAS, "setusermodem (ret=%ld), (line=%d)\n", static_cast<long>(result), __LINE__);
        return 0;
    }
    if (!list.empty() && entry.deviceName != list[0])
        entry.deviceName = list[0];
    if (list.size() > 1 && entry.phoneNumber != list[1])
        entry.phoneNumber = list[1];
    return CRasPhonebook(phonebook).WriteEntry(entryName, entry) ? 1 : 0;
}

int CRasClient::SetDialParams(const std::string& entryName, const std::string& userName,
                              const std::string& password, const std::string& phonebook)
{
    const CRasPhonebook book(phonebook);
    auto params = book.ReadDialParams(entryName);
    if (!params)
        return 0;
    if (params->userName != userName)
        params->userName = userName;
    if (params->password != password)
        params->password = password;
    return book.WriteDialParams(entryName, *params) ? 1 : 0;
}

int CRasClient::Dial(const std::string& entryName, DialCallback callback, const std::string& phoneNumber,
                     const std::string& userName, const std::string& password, const std::string& domain,
                     const std::string& phonebook)
{
    std::optional<SHandle> old;
    {
        std::lock_guard lock(m_mutex);
        old.swap(m_handle);
        m_lastState = ras::kOpenPort;
    }
    old.reset();  // a session still running ends here, outside the lock
    const CRasPhonebook book(phonebook);
    const auto entry = book.ReadEntry(entryName);
    if (!entry)
        return ras::kCannotFindEntry;
    const auto devices = CRasDevices::Enumerate();
    std::string tty;
    for (const auto& d : devices)
        if (d.name == entry->deviceName)
            tty = d.tty;
    if (tty.empty()) {
        BX_LOG(LEVEL_RAS, "dial: no device \"%s\" for entry \"%s\"\n", entry->deviceName.c_str(), entryName.c_str());
        return 7;  // as pppd says when the serial port cannot be opened
    }

    CPppdCommand::SInput in;
    in.pppd = CSystemPaths::Pppd();
    in.tty = tty;
    in.linkName = entryName;
    in.entry = *entry;
    in.params = {entryName, phoneNumber.empty() ? entry->phoneNumber : phoneNumber, userName, password, domain};
    in.optionsFile = book.EntryFile(entryName, ".pppd");
    in.chatFile = book.EntryFile(entryName, ".chat");
    in.privileged = ::geteuid() == 0;
    if (!CRasPhonebook::WriteFileAtomically(in.chatFile, CPppdCommand::ChatText(in.params.phoneNumber), 0600) ||
        !CRasPhonebook::WriteFileAtomically(in.optionsFile, CPppdCommand::OptionsText(in), 0600))
        return ras::kCannotWriteEntry;

    int extended = 0;
    auto session = CPppdSession::Start(
        CPppdCommand::Arguments(in),
        [callback](int state, int error, int ext) {
            if (callback)
                callback(ras::kDialEventMessage, state, error, ext);
        },
        extended);
    if (!session) {
        BX_LOG(LEVEL_RAS, "dial: cannot start %s (errno %d)\n", in.pppd.c_str(), extended);
        return 1;  // as pppd's own fatal error
    }
    std::lock_guard lock(m_mutex);
    SHandle handle;
    handle.link.pid = session->Pid();
    handle.link.linkName = entryName;
    handle.link.deviceName = entry->deviceName;
    handle.link.pidFile = CSystemPaths::RunDir() + "/ppp-" + entryName + ".pid";
    handle.session = std::move(session);
    m_handle = std::move(handle);
    m_baseline.reset();
    return ras::kSuccess;
}

int CRasClient::StateOf(const SHandle& handle) const
{
    if (handle.session)
        return handle.session->State();
    RasConnection now;
    if (!CRasLinks::ReadLink(handle.link.pidFile, now) || now.pid != handle.link.pid)
        return ras::kDisconnected;
    return now.ifName.empty() ? ras::kConnectDevice : ras::kConnected;
}

int CRasClient::StatusText(std::string& text, bool& connected)
{
    std::lock_guard lock(m_mutex);
    if (m_handle)
        m_lastState = StateOf(*m_handle);
    text = StateText(m_lastState);
    connected = m_lastState == ras::kConnected;
    return (m_lastState == ras::kConnected || m_lastState == ras::kDisconnected) ? 1 : 0;
}

int CRasClient::LastState() const
{
    std::lock_guard lock(m_mutex);
    return m_lastState;
}

const char* CRasClient::StateText(int state)
{
    static const char* const texts[] = {
        "Opening\nthe port...",
        "Port opened\nsuccessfully",
        "Connecting \nto the device",
        "Device connected\nsuccessfully",
        "All devices in the device chain have successfully connected",
        "Verifying..Username\nand password",
        "An authentication\nevent has occurred",
        "Requested another\nvalidation attempt\nwith a new user",
        "Server has\nrequested\na callback number",
        "The client has requested to change the password",
        "Registering\nyour computer\non the network",
        "The link-speed calculation phase is starting",
        "An authentication request is being acknowledged",
        "Reauthentication is starting",
        "The client has successfully completed authentication",
        "The line is about to disconnect for callback",
        "Delaying to give the modem time to reset for callback",
        "Waiting for an incoming call from server",
        "Projection result information is available",
        "User authentication is  being initiated or retried",
        "Client has been called back and is about to resume authentication",
        "Logging on to the network...",
    };
    if (state >= 0 && state < static_cast<int>(sizeof texts / sizeof texts[0]))
        return texts[state];
    if (state == ras::kConnected)
        return "Connection\nSuccess\nPlease wait...";
    if (state == ras::kDisconnected)
        return "Disconnected";
    return "";
}

int CRasClient::ErrorText(int error, int extended, std::string& text)
{
    text = "Fail to get error string";
    if (error == 0)
        return ras::kNoErrorCode;
    std::string found;
    if (error >= 1 && error <= 19)
        found = CPppdProgress::ExitText(error);
    else if (error == ras::kCannotFindEntry)
        found = "The phone book entry for this connection cannot be found.";
    else if (error == ras::kCannotWriteEntry)
        found = "The phone book files of this connection cannot be written.";
    else if (error == ras::kNoEntry)
        found = "The phone book entry does not exist.";
    else if (error == ras::kAlreadyExists)
        found = "The phone book entry already exists.";
    else if (error == ras::kInvalidName)
        found = "The phone book entry name is not valid.";
    if (found.empty())
        return ras::kUnknownError;
    text = found.substr(0, 256);
    if (extended != 0)
        text += " Extended Error Code: " + std::to_string(extended);
    return ras::kSuccess;
}

int CRasClient::FindConnection(const std::string& entryName, RasConnection& connection)
{
    int found = 0;
    for (const auto& link : CRasLinks::Enumerate()) {
        if (strcasecmp(link.linkName.c_str(), entryName.c_str()) == 0 ||
            link.deviceName.find("Corvana") != std::string::npos) {
            connection = link;
            found = 1;
        }
    }
    return found;
}

bool CRasClient::HangUpHandle(const SHandle& handle)
{
    if (handle.session)
        return handle.session->Terminate(kHangUpWait);
    if (!CRasLinks::ProcessAlive(handle.link.pid))
        return true;
    ::kill(handle.link.pid, SIGTERM);
    if (WaitProcessEnded(handle.link.pid, kHangUpWait))
        return true;
    ::kill(handle.link.pid, SIGKILL);
    return WaitProcessEnded(handle.link.pid, std::chrono::seconds(3));
}

int CRasClient::HangUp(const std::string& entryName)
{
    std::optional<SHandle> handle;
    {
        std::lock_guard lock(m_mutex);
        handle = m_handle;
    }
    if (handle) {
        if (m_statisticsLoaded) {
            if (ClearStatistics() == 1)
                BX_LOG(LEVEL_RAS, "Clear ConnectionStatistic Success !!\n");
            else
                BX_LOG(LEVEL_RAS, "Clear ConnectionStatistic Fail !!\n");
        }
        if (!HangUpHandle(*handle))
            return 0;
        std::lock_guard lock(m_mutex);
        m_handle.reset();
        return 1;
    }
    RasConnection found;
    if (!FindConnection(entryName, found))
        return 0;
    return HangUpHandle(SHandle{found, nullptr}) ? 1 : 0;
}

std::optional<CRasClient::SCounters> CRasClient::ReadCounters(const SHandle& handle) const
{
    std::string ifName = handle.session ? handle.session->Interface() : handle.link.ifName;
    std::optional<std::chrono::system_clock::time_point> since;
    if (handle.session) {
        since = handle.session->ConnectedAt();
    } else {
        RasConnection now;
        if (CRasLinks::ReadLink(handle.link.pidFile, now)) {
            ifName = now.ifName;
            // pppd rewrites its link file with the interface when the link comes up.
            struct stat st {};
            if (::stat(handle.link.pidFile.c_str(), &st) == 0)
                since = std::chrono::system_clock::from_time_t(st.st_mtim.tv_sec) +
                        std::chrono::duration_cast<std::chrono::system_clock::duration>(
                            std::chrono::nanoseconds(st.st_mtim.tv_nsec));
        }
    }
    if (!since || !CPppdProgress::IsInterfaceName(ifName))
        return std::nullopt;
    const CSysfs sysfs = CSysfs::FromEnvironment();
    const std::string dir = sysfs.Path("class/net/" + ifName + "/statistics");
    const auto tx = ReadCounter(dir + "/tx_bytes");
    const auto rx = ReadCounter(dir + "/rx_bytes");
    if (!tx || !rx)
        return std::nullopt;
    return SCounters{*tx, *rx, *since};
}

bool CRasClient::GetStatistics(RasStatistics* statistics)
{
    std::lock_guard lock(m_mutex);
    if (!m_statisticsLoaded || !m_handle || !statistics)
        return false;
    const auto counters = ReadCounters(*m_handle);
    if (!counters)
        return false;
    std::uint64_t tx = counters->tx, rx = counters->rx;
    auto since = counters->since;
    if (m_baseline) {
        tx = tx >= m_baseline->tx ? tx - m_baseline->tx : tx;
        rx = rx >= m_baseline->rx ? rx - m_baseline->rx : rx;
        since = std::max(since, m_baseline->since);
    }
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now() - since);
    *statistics = RasStatistics{};
    statistics->bytesXmited = static_cast<std::uint32_t>(tx);
    statistics->bytesRcved = static_cast<std::uint32_t>(rx);
    statistics->connectDuration = static_cast<std::uint32_t>(std::max<long long>(0, ms.count()));
    return true;
}

int CRasClient::ClearStatistics()
{
    std::lock_guard lock(m_mutex);
    if (!m_statisticsLoaded)
        return 0;
    if (m_handle) {
        if (auto counters = ReadCounters(*m_handle)) {
            counters->since = std::chrono::system_clock::now();
            m_baseline = counters;
        }
    }
    return 1;
}

bool CRasClient::HasHandle() const
{
    std::lock_guard lock(m_mutex);
    return m_handle.has_value();
}

void CRasClient::AdoptHandle(const RasConnection& connection)
{
    std::lock_guard lock(m_mutex);
    m_handle = SHandle{connection, nullptr};
    m_baseline.reset();
}

void CRasClient::ForgetHandle()
{
    std::optional<SHandle> old;
    {
        std::lock_guard lock(m_mutex);
        old = std::move(m_handle);
        m_handle.reset();
    }
    // A session dropped here ends its pppd outside the lock.
}

std::optional<RasConnection> CRasClient::Handle() const
{
    std::lock_guard lock(m_mutex);
    if (!m_handle)
        return std::nullopt;
    return m_handle->link;
}

}  // namespace brivex
