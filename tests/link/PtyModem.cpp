#include "PtyModem.h"

#include "link/CFrameReader.h"
#include "link/CHdlcCodec.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace brivex::test {

PtyModem::PtyModem(unsigned portNumber) : m_portNumber(portNumber)
{
    std::filesystem::create_directories(m_dir / "dev");
    std::filesystem::create_directories(m_dir / "sys");
    m_devDir = std::make_unique<EnvGuard>("BRIVEX_DEVDIR", (m_dir / "dev").string());
    m_sysDir = std::make_unique<EnvGuard>("BRIVEX_SYSDIR", (m_dir / "sys").string());
    char name[256] = {};
    termios raw{};
    cfmakeraw(&raw);
    if (openpty(&m_master, &m_slave, name, &raw, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    fcntl(m_master, F_SETFD, FD_CLOEXEC);
    fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    std::filesystem::create_symlink(name, m_dir / "dev" / ("ttyUSB" + std::to_string(portNumber - 1)));
}

PtyModem::~PtyModem()
{
    Unplug();
    if (m_slave >= 0)
        ::close(m_slave);
}

void PtyModem::Write(const Bytes& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            throw std::runtime_error("pty write failed");
        done += static_cast<std::size_t>(n);
    }
}

Bytes PtyModem::ReadRaw(std::size_t count, std::chrono::milliseconds timeout)
{
    Bytes out;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (out.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd pfd{m_master, POLLIN, 0};
        if (poll(&pfd, 1, static_cast<int>(left.count())) <= 0 || !(pfd.revents & POLLIN))
            break;
        std::uint8_t chunk[4096];
        const ssize_t n = ::read(m_master, chunk, std::min(sizeof chunk, count - out.size()));
        if (n <= 0)
            break;
        out.insert(out.end(), chunk, chunk + n);
    }
    return out;
}

std::optional<Bytes> PtyModem::ReadRequest(std::chrono::milliseconds timeout)
{
    CFrameReader reader;
    std::optional<Bytes> request;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!request) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return std::nullopt;
        const Bytes chunk = ReadRaw(1, left);
        if (chunk.empty())
            return std::nullopt;
        reader.Feed(chunk.data(), chunk.size(), [&](const CFrameReader::Frame& frame) {
            if (frame.good && !request)
                request = frame.payload;
        });
    }
    return request;
}

std::future<Bytes> PtyModem::ReplyOnce(std::optional<Bytes> reply)
{
    return std::async(std::launch::async, [this, reply] {
        const auto request = ReadRequest();
        if (request && reply)
            Write(*reply);
        return request.value_or(Bytes{});
    });
}

void PtyModem::Unplug()
{
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
}

Bytes Frame(const Bytes& packet) { return CHdlcCodec::Encode(packet.data(), packet.size()); }

Bytes BadFrame(const Bytes& packet)
{
    Bytes bytes = packet;
    bytes.push_back(0x12);  // not the check sequence of the packet
    bytes.push_back(0x34);
    bytes.push_back(CHdlcCodec::kFlag);
    return bytes;
}

}  // namespace brivex::test
