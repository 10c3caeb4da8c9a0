#include "DiagClient.h"

#include "link/CHdlcCodec.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace brivex::test {

namespace {

int MsLeft(std::chrono::steady_clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

DiagClient::DiagClient(const std::string& path)
{
    m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0)
        return;
    termios tio{};
    if (tcgetattr(m_fd, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(m_fd, TCSANOW, &tio);
    }
    tcflush(m_fd, TCIOFLUSH);
}

DiagClient::~DiagClient()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool DiagClient::SendRaw(const Bytes& bytes)
{
    std::size_t done = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        pollfd p{m_fd, POLLOUT, 0};
        if (::poll(&p, 1, MsLeft(deadline)) <= 0)
            return false;
    }
    return true;
}

bool DiagClient::Send(const Bytes& packet)
{
    return SendRaw(CHdlcCodec::Encode(packet.data(), packet.size()));
}

std::optional<DiagClient::Bytes> DiagClient::Transact(const Bytes& request, int timeoutMs)
{
    if (m_fd < 0 || request.empty() || !Send(request))
        return std::nullopt;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::optional<Bytes> answer;
    while (!answer) {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, MsLeft(deadline)) <= 0)
            return std::nullopt;
        std::uint8_t buffer[4096];
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n <= 0) {
            if (n < 0 && errno == EAGAIN)
                continue;
            return std::nullopt;
        }
        m_reader.Feed(buffer, static_cast<std::size_t>(n), [&](const CFrameReader::Frame& frame) {
            m_seen.push_back(frame);
            if (!answer && frame.good && !frame.payload.empty() && frame.payload[0] == request[0])
                answer = frame.payload;
        });
    }
    return answer;
}

std::string DiagClient::ReadUntil(const std::string& text, int timeoutMs)
{
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (got.find(text) == std::string::npos) {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, MsLeft(deadline)) <= 0)
            break;
        char buffer[256];
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n > 0)
            got.append(buffer, static_cast<std::size_t>(n));
        else if (n == 0 || errno != EAGAIN)
            break;
    }
    return got;
}

bool DiagClient::WaitHangUp(int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        pollfd p{m_fd, POLLIN, 0};
        const int r = ::poll(&p, 1, MsLeft(deadline));
        if (r <= 0)
            return false;
        if (p.revents & (POLLHUP | POLLERR))
            return true;
        std::uint8_t buffer[256];
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n == 0 || (n < 0 && errno != EAGAIN))
            return true;
    }
}

std::uint16_t Le16(const DiagClient::Bytes& b, std::size_t at)
{
    if (at + 2 > b.size())
        throw std::out_of_range("answer too short");
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

std::uint32_t Le32(const DiagClient::Bytes& b, std::size_t at)
{
    if (at + 4 > b.size())
        throw std::out_of_range("answer too short");
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
           (static_cast<std::uint32_t>(b[at + 2]) << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

}  // namespace brivex::test
