#include "link/CCommPort.h"

#include "app/CConfig.h"
#include "app/CDebugViews.h"
#include "link/CAnswerMatcher.h"
#include "link/CHdlcCodec.h"
#include "platform/CSystemPaths.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace brivex {

namespace {

using Clock = std::chrono::steady_clock;

bool SpeedFor(std::uint32_t baud, speed_t& speed)
{
    static constexpr struct {
        std::uint32_t baud;
        speed_t speed;
    } kSpeeds[] = {
        {1200, B1200},     {2400, B2400},     {4800, B4800},     {9600, B9600},       {19200, B19200},
        {38400, B38400},   {57600, B57600},   {115200, B115200}, {230400, B230400},   {460800, B460800},
        {921600, B921600}, {1000000, B1000000}, {2000000, B2000000}, {3000000, B3000000}, {4000000, B4000000},
    };
    for (const auto& s : kSpeeds)
        if (s.baud == baud) {
            speed = s.speed;
            return true;
        }
    return false;
}

int RemainingMs(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(std::min<long long>(left, 1 << 30)) : 0;
}

void SleepMs(int ms)
{
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace

CCommPort::CCommPort() = default;

CCommPort::~CCommPort() { ClosePort(); }

void CCommPort::SetPortNumber(std::uint32_t number)
{
    std::lock_guard lock(m_settingsMutex);
    m_settings.portNumber = number;
}

void CCommPort::SetBaudRate(std::uint32_t baud)
{
    std::lock_guard lock(m_settingsMutex);
    m_settings.baudRate = baud;
}

void CCommPort::SetEventMask(std::uint32_t mask)
{
    std::lock_guard lock(m_settingsMutex);
    m_settings.eventMask = mask & 0xFFFF;
}

bool CCommPort::SetCommParams(std::uint8_t eventChar, std::uint32_t baud, std::uint8_t byteSize, std::uint8_t parity,
                              std::uint8_t stopBits)
{
    Settings settings;
    {
        std::lock_guard lock(m_settingsMutex);
        m_settings.eventChar = eventChar;
        m_settings.baudRate = baud;
        m_settings.byteSize = byteSize;
        m_settings.parity = parity;
        m_settings.stopBits = stopBits;
        settings = m_settings;
    }
    std::lock_guard io(m_ioMutex);
    if (!m_open || m_fd < 0)
        return false;
    return ApplyLineSettings(m_fd, settings);
}

std::string CCommPort::DevicePath() const
{
    std::uint32_t number;
    {
        std::lock_guard lock(m_settingsMutex);
        number = m_settings.portNumber;
    }
    if (number == 0)
        return {};
    return CSystemPaths::DevDir() + "/ttyUSB" + std::to_string(number - 1);
}

bool CCommPort::ApplyLineSettings(int fd, const Settings& s)
{
    termios t{};
    if (tcgetattr(fd, &t) != 0)
        return false;
    cfmakeraw(&t);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    switch (s.byteSize) {
    case 5: t.c_cflag |= CS5; break;
    case 6: t.c_cflag |= CS6; break;
    case 7: t.c_cflag |= CS7; break;
    case 8: t.c_cflag |= CS8; break;
    default: return false;
    }
    switch (s.parity) {
    case 0: break;
    case 1: t.c_cflag |= PARENB | PARODD; break;
    case 2: t.c_cflag |= PARENB; break;
    case 3: t.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case 4: t.c_cflag |= PARENB | CMSPAR; break;
    default: return false;
    }
    if (s.parity != 0)
        t.c_iflag |= INPCK;
    switch (s.stopBits) {
    case 0: break;
    case 2: t.c_cflag |= CSTOPB; break;
    default: return false;  // one and a half stop bits: a tty has none
    }
    speed_t speed;
    if (!SpeedFor(s.baudRate, speed))
        return false;
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

void CCommPort::SetModemLines(int fd, bool raise)
{
    // A pseudo-terminal has no modem lines and refuses these; it stays usable.
    int lines = TIOCM_DTR | TIOCM_RTS;
    if (ioctl(fd, raise ? TIOCMBIS : TIOCMBIC, &lines) != 0)
        BX_LOG(LEVEL_COM, "modem lines not %s (errno %d)", raise ? "raised" : "dropped", errno);
}

bool CCommPort::OpenPort()
{
    std::lock_guard transaction(m_transactMutex);
    if (m_open)
        return false;
    m_rxEvent.ResetEvent();
    Settings settings;
    {
        std::lock_guard lock(m_settingsMutex);
        settings = m_settings;
    }
    const std::string path = DevicePath();
    auto fail = [&](const char* what, int fd) {
        BX_LOG(LEVEL_COM, "OpenPort %s: %s (errno %d)", path.c_str(), what, errno);
        if (fd >= 0)
            ::close(fd);
        m_openFailed = true;
        return false;
    };
    if (path.empty())
        return fail("no port number", -1);
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail("open failed", -1);
    if (!isatty(fd))
        return fail("not a tty", fd);
    if (flock(fd, LOCK_EX | LOCK_NB) != 0)
        return fail("in use", fd);
    if (ioctl(fd, TIOCEXCL) != 0)
        BX_LOG(LEVEL_COM, "OpenPort %s: exclusive mode refused (errno %d)", path.c_str(), errno);
    if (!ApplyLineSettings(fd, settings))
        return fail("line settings refused", fd);
    const int wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake < 0)
        return fail("no wake descriptor", fd);
    SetModemLines(fd, true);
    tcflush(fd, TCIOFLUSH);
    {
        std::lock_guard lock(m_queueMutex);
        m_queue.clear();
        m_dropped = 0;
        m_flagsSeen = 0;
    }
    {
        std::lock_guard io(m_ioMutex);
        m_fd = fd;
        m_wakeFd = wake;
    }
    m_unplugged = false;
    m_openFailed = false;
    m_consumedEvent.Set();
    m_threadEnded.ResetEvent();
    m_open = true;
    m_reader = std::thread(&CCommPort::ReaderLoop, this);
    BX_LOG(LEVEL_COM, "OpenPort %s: %u baud, event mask 0x%X", path.c_str(), settings.baudRate,
           settings.eventMask);
    return true;
}

bool CCommPort::ClosePort()
{
    // Waits for a running transaction: it ends within its time-out.
    std::lock_guard transaction(m_transactMutex);
    if (!m_open)
        return false;
    m_open = false;
    const std::uint64_t one = 1;
    if (::write(m_wakeFd, &one, sizeof one) != static_cast<ssize_t>(sizeof one))
        BX_LOG(LEVEL_COM, "ClosePort: wake failed (errno %d)", errno);
    if (m_reader.joinable())
        m_reader.join();
    ReleaseDevice();
    {
        std::lock_guard lock(m_queueMutex);
        m_queue.clear();
    }
    BX_LOG(LEVEL_COM, "ClosePort");
    return true;
}

void CCommPort::ReleaseDevice()
{
    std::lock_guard io(m_ioMutex);
    if (m_fd >= 0) {
        if (!m_unplugged)
            SetModemLines(m_fd, false);
        tcflush(m_fd, TCIOFLUSH);
        ioctl(m_fd, TIOCNXCL);
        flock(m_fd, LOCK_UN);
        ::close(m_fd);
        m_fd = -1;
    }
    if (m_wakeFd >= 0) {
        ::close(m_wakeFd);
        m_wakeFd = -1;
    }
}

void CCommPort::ReaderLoop()
{
    std::uint32_t mask;
    {
        std::lock_guard lock(m_settingsMutex);
        mask = m_settings.eventMask;
    }
    m_consumedEvent.ResetEvent();
    // After raising the rx event the thread leaves it alone until the data
    // was taken (consumed event) or 3000 ms passed; bytes keep flowing into
    // the queue meanwhile, as a driver's queue fills while nobody waits.
    bool handshake = false;
    Clock::time_point handshakeEnd{};
    bool hungUp = false;
    while (m_open) {
        pollfd fds[2] = {{hungUp ? -1 : m_fd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            BX_LOG(LEVEL_COM, "reader: poll failed (errno %d)", errno);
            break;
        }
        if (fds[1].revents != 0)
            break;
        const std::uint64_t before = FlagsSeen();
        if (fds[0].revents & POLLIN)
            DrainDevice(hungUp);
        if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL))
            hungUp = true;
        if (hungUp && !m_unplugged) {
            m_unplugged = true;
            BX_LOG(LEVEL_COM, "reader: the port hung up (unplugged)");
            m_rxEvent.Set();  // a waiting transaction ends at once
        }
        if ((mask & kEvRxFlag) && FlagsSeen() != before) {
            const auto now = Clock::now();
            if (!handshake || m_consumedEvent.IsSet() || now >= handshakeEnd) {
                m_rxEvent.Set();
                handshake = true;
                handshakeEnd = now + std::chrono::milliseconds(kConsumedWaitMs);
            }
        }
    }
    m_threadEnded.Set();
}

std::uint64_t CCommPort::FlagsSeen() const
{
    std::lock_guard lock(m_queueMutex);
    return m_flagsSeen;
}

void CCommPort::DrainDevice(bool& hungUp)
{
    std::uint8_t chunk[4096];
    for (;;) {
        const ssize_t n = ::read(m_fd, chunk, sizeof chunk);
        if (n > 0) {
            Enqueue(chunk, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        hungUp = true;  // end of file or an error such as EIO: the far end is gone
        return;
    }
}

void CCommPort::Enqueue(const std::uint8_t* data, std::size_t length)
{
    std::uint8_t eventChar;
    std::uint32_t mask;
    {
        std::lock_guard lock(m_settingsMutex);
        eventChar = m_settings.eventChar;
        mask = m_settings.eventMask;
    }
    std::size_t dropped = 0;
    {
        std::lock_guard lock(m_queueMutex);
        if (length >= kInputQueueSize) {
            dropped = m_queue.size() + (length - kInputQueueSize);
            m_queue.clear();
            data += length - kInputQueueSize;
            length = kInputQueueSize;
        } else if (m_queue.size() + length > kInputQueueSize) {
            dropped = m_queue.size() + length - kInputQueueSize;
            m_queue.erase(m_queue.begin(), m_queue.begin() + static_cast<std::ptrdiff_t>(dropped));
        }
        m_queue.insert(m_queue.end(), data, data + length);
        m_dropped += dropped;
        if (mask & kEvRxFlag)
            m_flagsSeen += static_cast<std::uint64_t>(std::count(data, data + length, eventChar));
    }
    if (dropped)
        BX_LOG(LEVEL_COM, "input queue full: %zu oldest bytes dropped", dropped);
}

std::size_t CCommPort::QueuedBytes() const
{
    std::lock_guard lock(m_queueMutex);
    return m_queue.size();
}

std::size_t CCommPort::DroppedBytes() const
{
    std::lock_guard lock(m_queueMutex);
    return m_dropped;
}

std::size_t CCommPort::ReadData(std::uint8_t* buffer, std::size_t capacity)
{
    if (!buffer || capacity == 0 || !m_open || m_unplugged)
        return 0;
    std::lock_guard lock(m_queueMutex);
    const std::size_t n = std::min(capacity, m_queue.size());
    std::copy_n(m_queue.begin(), n, buffer);
    m_queue.erase(m_queue.begin(), m_queue.begin() + static_cast<std::ptrdiff_t>(n));
    return n;
}

bool CCommPort::WaitWritable(int fd, int wakeFd, int timeoutMs)
{
    pollfd fds[2] = {{fd, POLLOUT, 0}, {wakeFd, POLLIN, 0}};
    for (;;) {
        const int r = poll(fds, 2, timeoutMs);
        if (r < 0 && errno == EINTR)
            continue;
        return r > 0 && fds[1].revents == 0 && (fds[0].revents & POLLOUT) &&
               !(fds[0].revents & (POLLHUP | POLLERR | POLLNVAL));
    }
}

std::size_t CCommPort::WriteData(const std::uint8_t* data, std::size_t length)
{
    if (!data || length == 0)
        return 0;
    std::uint32_t baud;
    {
        std::lock_guard lock(m_settingsMutex);
        baud = m_settings.baudRate;
    }
    std::lock_guard io(m_ioMutex);
    if (!m_open || m_unplugged || m_fd < 0)
        return 0;
    // The write time-out: a constant plus a multiplier per byte.
    const long long budget = kWriteConstantMs + static_cast<long long>(baud) * 2 / 8000 * static_cast<long long>(length);
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::min<long long>(budget, 1LL << 30));
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n = ::write(m_fd, data + done, length - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && WaitWritable(m_fd, m_wakeFd, RemainingMs(deadline)))
            continue;
        if (n < 0 && errno == EIO)
            m_unplugged = true;
        BX_LOG(LEVEL_COM, "WriteData: %zu of %zu bytes written (errno %d)", done, length, errno);
        return 0;
    }
    return done;
}

std::size_t CCommPort::BuildFrame(const std::uint8_t* packet, std::size_t length)
{
    m_frameLength = 0;
    if (!packet && length != 0)
        return 0;
    m_frameLength = CHdlcCodec::Encode(packet, length, m_frame.data(), m_frame.size());
    return m_frameLength;
}

bool CCommPort::ParseFrame(const std::uint8_t* bytes, std::size_t count)
{
    m_payloadLength = 0;
    if (!bytes && count != 0)
        return false;
    return CHdlcCodec::Decode(bytes, count, m_payload.data(), m_payload.size(), m_payloadLength);
}

int CCommPort::PreWaitMs()
{
    // Read on every transaction; a hostile value cannot stall the port.
    return std::clamp(CConfig::Int(keys::SysinfSleep), 0, kMaxPreWaitMs);
}

bool CCommPort::WaitForFlag(std::uint64_t seen, std::uint32_t timeoutMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (FlagsSeen() != seen)
            return true;
        if (m_unplugged || !m_open || m_cancelWaits)
            return false;
        const int left = RemainingMs(deadline);
        if (left <= 0)
            return false;
        m_rxEvent.Wait(left);
    }
}

int CCommPort::TakeAnswer(const std::uint8_t* request, std::size_t requestLength, std::uint8_t* response,
                          std::size_t capacity, std::size_t readCount)
{
    const auto found = CAnswerMatcher::Find(m_received.data(), readCount, request, requestLength, m_payload.data(),
                                            m_payload.size());
    if (!found.found) {
        BX_LOG(LEVEL_COM, "Transact %02X: no answer in %zu bytes (%zu pieces)", request[0], readCount, found.pieces);
        return kNoAnswer;
    }
    m_payloadLength = found.payloadLength;
    m_responseLength = std::min(found.payloadLength, capacity);
    std::memcpy(response, m_payload.data(), m_responseLength);
    if (m_responseLength < found.payloadLength)
        BX_LOG(LEVEL_COM, "Transact %02X: answer of %zu bytes cut to %zu", request[0], found.payloadLength,
               m_responseLength);
    return kAnswer;
}

bool CCommPort::TakeWaitingAnswer(const std::uint8_t* request, std::size_t requestLength, std::uint8_t* response,
                                  std::size_t capacity)
{
    // An answer can already wait in the queue: a late answer to an earlier
    // request with the same code (and sub-command) that came before this
    // request was written. Only then is the queue taken; otherwise it is
    // left for the next transaction.
    std::lock_guard lock(m_queueMutex);
    const std::size_t n = std::min(m_queue.size(), m_received.size());
    std::copy_n(m_queue.begin(), n, m_received.begin());
    const auto found =
        CAnswerMatcher::Find(m_received.data(), n, request, requestLength, m_payload.data(), m_payload.size());
    if (!found.found)
        return false;
    m_queue.erase(m_queue.begin(), m_queue.begin() + static_cast<std::ptrdiff_t>(n));
    m_payloadLength = found.payloadLength;
    m_responseLength = std::min(found.payloadLength, capacity);
    std::memcpy(response, m_payload.data(), m_responseLength);
    return true;
}

void CCommPort::CancelWaits()
{
    m_cancelWaits = true;
    m_rxEvent.Set();
}

void CCommPort::ResumeWaits()
{
    m_cancelWaits = false;
}

int CCommPort::Transact(const std::uint8_t* request, std::uint8_t* response, std::size_t requestLength,
                        std::uint32_t timeoutMs, std::size_t responseCapacity)
{
    std::lock_guard transaction(m_transactMutex);
    m_responseLength = 0;
    if (response && responseCapacity > 0) {
        // A short answer never shows bytes of an earlier one.
        std::memset(response, 0, responseCapacity);
        response[0] = 0xFF;
    }
    if (!m_open || !request || requestLength == 0 || !response || responseCapacity == 0)
        return kWriteFailed;

    const std::uint64_t seen = FlagsSeen();
    m_rxEvent.ResetEvent();
    // This transaction's read takes whatever came before it, so a hand-shake
    // left over from earlier data must not hold back this answer's rx event.
    m_consumedEvent.Set();
    const std::size_t frameLength = BuildFrame(request, requestLength);
    if (frameLength == 0 || WriteData(m_frame.data(), frameLength) != frameLength) {
        BX_LOG(LEVEL_COM, "Transact %02X: write failed", request[0]);
        return kWriteFailed;
    }
    SleepMs(PreWaitMs());
    if (!WaitForFlag(seen, timeoutMs)) {
        if (m_unplugged)
            return kWriteFailed;
        if (TakeWaitingAnswer(request, requestLength, response, responseCapacity)) {
            m_consumedEvent.Set();
            return kAnswer;
        }
        BX_LOG(LEVEL_COM, "Transact %02X: time-out after %u ms", request[0], timeoutMs);
        return kTimeout;
    }
    SleepMs(kSettleMs);
    if (m_unplugged)
        return kWriteFailed;
    const std::size_t count = ReadData(m_received.data(), m_received.size());
    if (count == 0) {
        BX_LOG(LEVEL_COM, "Transact %02X: nothing read", request[0]);
        return kNothingRead;
    }
    const int result = TakeAnswer(request, requestLength, response, responseCapacity, count);
    m_consumedEvent.Set();
    return result;
}

}  // namespace brivex
