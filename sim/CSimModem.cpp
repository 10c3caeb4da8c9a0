#include "CSimModem.h"

#include "CSimControl.h"
#include "CSimControlSocket.h"
#include "CSimDiagHandler.h"
#include "link/CFrameCheck.h"
#include "link/CHdlcCodec.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace brivex::sim {

namespace {

constexpr std::size_t kReadChunk = 4096;
constexpr std::size_t kMaxAtLine = 512;
constexpr int kWriteTimeoutMs = 3000;

// A frame of the packet: body and check sequence escaped, one closing flag.
// With corrupt set the check sequence is deliberately wrong.
std::vector<std::uint8_t> Frame(const std::vector<std::uint8_t>& packet, bool corrupt)
{
    std::uint16_t fcs = CFrameCheck::Compute(packet.data(), packet.size());
    if (corrupt)
        fcs ^= 0x00FF;
    std::vector<std::uint8_t> raw = packet;
    raw.push_back(static_cast<std::uint8_t>(fcs));
    raw.push_back(static_cast<std::uint8_t>(fcs >> 8));
    std::vector<std::uint8_t> out;
    out.reserve(CHdlcCodec::MaxFrameSize(packet.size()));
    for (std::uint8_t b : raw) {
        if (b == CHdlcCodec::kFlag || b == CHdlcCodec::kEscape) {
            out.push_back(CHdlcCodec::kEscape);
            out.push_back(static_cast<std::uint8_t>(b ^ CHdlcCodec::kEscapeXor));
        } else {
            out.push_back(b);
        }
    }
    out.push_back(CHdlcCodec::kFlag);
    return out;
}

}  // namespace

CSimModem::CSimModem(Options options) : m_options(std::move(options)), m_tree(m_options.base, m_options.tree)
{
    for (int i = 0; i < CSimDeviceTree::kInterfaces; ++i)
        m_ports[i].iface = i;
}

CSimModem::~CSimModem()
{
    Stop();
}

bool CSimModem::Start(std::string& error)
{
    std::lock_guard plug(m_plugMutex);
    if (m_running)
        return true;
    if (!m_options.hexlog.empty() && !m_hexlog.Open(m_options.hexlog)) {
        error = "cannot open the hex log " + m_options.hexlog;
        return false;
    }
    try {
        m_tree.Build();
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
    if (!OpenPorts(error))
        return false;
    if (m_options.controlSocket) {
        m_socket = std::make_unique<CSimControlSocket>(SocketPath().string(),
                                                       [this](const std::string& line) { return Command(line); });
        if (!m_socket->Start(error)) {
            m_socket.reset();
            ClosePorts();
            return false;
        }
    }
    m_running = true;
    m_plugged = true;
    m_hexlog.Note("simulator started under " + m_tree.Base().string());
    return true;
}

void CSimModem::Stop()
{
    // The socket first, without the plug lock: a command it is running
    // (unplug, replug) may be waiting for that lock.
    if (m_socket) {
        m_socket->Stop();
        m_socket.reset();
    }
    std::lock_guard plug(m_plugMutex);
    if (!m_running)
        return;
    ClosePorts();
    for (int i = 0; i < CSimDeviceTree::kInterfaces; ++i) {
        std::error_code ec;
        std::filesystem::remove(m_tree.DevicePath(i), ec);
    }
    m_running = false;
    m_plugged = false;
    m_hexlog.Note("simulator stopped");
}

void CSimModem::Unplug()
{
    std::lock_guard plug(m_plugMutex);
    if (!m_running || !m_plugged)
        return;
    m_tree.Remove();
    ClosePorts();
    m_plugged = false;
    m_hexlog.Note("unplugged");
}

bool CSimModem::Replug(std::string& error)
{
    std::lock_guard plug(m_plugMutex);
    if (!m_running) {
        error = "not running";
        return false;
    }
    if (m_plugged)
        return true;
    if (!OpenPorts(error))
        return false;
    try {
        m_tree.Build();
    } catch (const std::exception& e) {
        error = e.what();
        ClosePorts();
        return false;
    }
    m_plugged = true;
    m_hexlog.Note("replugged");
    return true;
}

bool CSimModem::OpenPorts(std::string& error)
{
    for (Port& port : m_ports) {
        if (!m_tree.HasInterface(port.iface))
            continue;
        if (!port.pty.Open(error) || ::pipe2(port.wake, O_CLOEXEC | O_NONBLOCK) != 0) {
            if (error.empty())
                error = "pipe failed";
            ClosePorts();
            return false;
        }
        if (m_tree.GetOptions().driverBound)
            m_tree.LinkDevice(port.iface, port.pty.SlavePath());
        port.thread = std::thread([this, &port] { Serve(port); });
    }
    return true;
}

void CSimModem::ClosePorts()
{
    for (Port& port : m_ports) {
        if (port.wake[1] >= 0) {
            const char stop = 'q';
            [[maybe_unused]] ssize_t n = ::write(port.wake[1], &stop, 1);
        }
        if (port.thread.joinable())
            port.thread.join();
        port.pty.Close();
        for (int& fd : port.wake) {
            if (fd >= 0)
                ::close(fd);
            fd = -1;
        }
    }
}

std::string CSimModem::PtyPath(int iface) const
{
    if (iface < 0 || iface >= CSimDeviceTree::kInterfaces)
        return {};
    return m_ports[iface].pty.SlavePath();
}

std::vector<std::string> CSimModem::ExportLines() const
{
    return {"export BRIVEX_SYSFS=" + m_tree.SysfsRoot().string(), "export BRIVEX_DEVDIR=" + m_tree.DevDir().string(),
            "export BRIVEX_SYSDIR=" + m_tree.SysDir().string(), "export BRIVEX_RUNDIR=" + m_tree.RunDir().string()};
}

CSimModem::Counters CSimModem::GetCounters() const
{
    std::lock_guard lock(m_mutex);
    return m_counters;
}

std::string CSimModem::Command(const std::string& line)
{
    return CSimControl::Execute(*this, line);
}

void CSimModem::RequestQuit()
{
    {
        std::lock_guard lock(m_quitMutex);
        m_quit = true;
    }
    m_quitCv.notify_all();
}

bool CSimModem::WaitForQuit(int timeoutMs)
{
    std::unique_lock lock(m_quitMutex);
    return m_quitCv.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return m_quit.load(); });
}

bool CSimModem::Pause(const Port& port, int ms)
{
    pollfd p{port.wake[0], POLLIN, 0};
    return ::poll(&p, 1, ms) == 0;
}

bool CSimModem::WriteAll(const Port& port, const std::uint8_t* data, std::size_t length)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWriteTimeoutMs);
    while (length > 0) {
        const ssize_t n = ::write(port.pty.Master(), data, length);
        if (n > 0) {
            data += n;
            length -= static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        // The program is not reading: wait for room, for a stop, or give up.
        pollfd p[2] = {{port.pty.Master(), POLLOUT, 0}, {port.wake[0], POLLIN, 0}};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || ::poll(p, 2, static_cast<int>(left.count())) <= 0 || (p[1].revents & POLLIN))
            return false;
    }
    return true;
}

void CSimModem::Serve(Port& port)
{
    CFrameReader reader;
    std::string atLine;
    std::uint8_t buffer[kReadChunk];
    for (;;) {
        pollfd p[2] = {{port.pty.Master(), POLLIN, 0}, {port.wake[0], POLLIN, 0}};
        const bool voice = port.iface == kVoiceInterface;
        const int timeout = voice ? m_voice.TimeoutMs(CSimVoice::Clock::now(), VoiceActive()) : -1;
        // While inactive the voice port still checks every frame period whether it became active.
        if (::poll(p, 2, voice && timeout < 0 ? CSimVoice::kFrameMs : timeout) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (p[1].revents & POLLIN)
            return;
        if (voice)
            ServeVoice(port);
        if (!(p[0].revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        const ssize_t n = ::read(port.pty.Master(), buffer, sizeof buffer);
        if (n <= 0) {
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            // No slave side open (cannot happen while our own stays open): do not spin.
            if (!Pause(port, 50))
                return;
            continue;
        }
        const auto length = static_cast<std::size_t>(n);
        if (port.iface == kDiagInterface)
            ServeDiag(port, buffer, length, reader);
        else if (port.iface == kAtInterface)
            ServeAt(port, buffer, length, atLine);
        else
            m_voice.Received(buffer, length);
    }
}

bool CSimModem::VoiceActive() const
{
    std::lock_guard lock(m_mutex);
    return m_state.pcVoice && m_state.status.callState == CSimModemState::kCallConversation;
}

void CSimModem::ServeVoice(Port& port)
{
    const bool active = VoiceActive();
    while (auto frame = m_voice.Due(CSimVoice::Clock::now(), active)) {
        // One write per frame, never waiting: a PC that does not read loses
        // frames, as with the modem, instead of holding up the schedule.
        const ssize_t n = ::write(port.pty.Master(), frame->data(), frame->size());
        m_voice.Written(n > 0 ? static_cast<std::size_t>(n) : 0, frame->size());
    }
}

void CSimModem::ServeDiag(Port& port, const std::uint8_t* data, std::size_t length, CFrameReader& reader)
{
    reader.Feed(data, length, [&](const CFrameReader::Frame& frame) {
        if (!frame.good) {
            {
                std::lock_guard lock(m_mutex);
                ++m_counters.badFrames;
            }
            m_hexlog.Line("diag", "rx", frame.payload.data(), frame.payload.size(), "bad check sequence, no answer");
            return;
        }
        AnswerDiag(port, frame.payload);
    });
}

void CSimModem::AnswerDiag(Port& port, const std::vector<std::uint8_t>& request)
{
    std::string note;
    std::optional<std::vector<std::uint8_t>> answer;
    bool drop = false;
    bool corrupt = false;
    int delayMs = 0;
    std::vector<std::uint8_t> before;
    {
        std::lock_guard lock(m_mutex);
        ++m_counters.requests;
        answer = CSimDiagHandler::Handle(request.data(), request.size(), m_state, note);
        if (!answer) {
            ++m_counters.unanswered;
        } else if (m_faults.drop > 0) {
            --m_faults.drop;
            drop = true;
        } else {
            corrupt = m_faults.corrupt > 0;
            if (corrupt)
                --m_faults.corrupt;
            delayMs = m_faults.delayMs;
            // The card-status request: 0xD2 with sub-command 0.
            if (request.size() >= 3 && request[0] == 0xD2 && request[1] == 0 && request[2] == 0)
                delayMs = std::max(delayMs, m_faults.cardStatusDelayMs);
            before.swap(m_faults.garbage);
            if (!m_faults.unsolicited.empty()) {
                const auto extra = Frame(m_faults.unsolicited, false);
                before.insert(before.end(), extra.begin(), extra.end());
                m_faults.unsolicited.clear();
            }
        }
    }
    m_hexlog.Line("diag", "rx", request.data(), request.size(), answer ? "" : "no answer: " + note);
    if (!answer)
        return;
    if (drop) {
        m_hexlog.Line("diag", "tx", answer->data(), answer->size(), "dropped");
        return;
    }
    if (delayMs > 0 && !Pause(port, delayMs))
        return;
    std::vector<std::uint8_t> wire = before;
    const auto frame = Frame(*answer, corrupt);
    wire.insert(wire.end(), frame.begin(), frame.end());
    if (!before.empty())
        m_hexlog.Line("diag", "tx", before.data(), before.size(), "inserted before the answer (raw)");
    m_hexlog.Line("diag", "tx", answer->data(), answer->size(), corrupt ? "check sequence corrupted" : "");
    if (WriteAll(port, wire.data(), wire.size())) {
        std::lock_guard lock(m_mutex);
        ++m_counters.answers;
    }
}

void CSimModem::ServeAt(Port& port, const std::uint8_t* data, std::size_t length, std::string& line)
{
    for (std::size_t i = 0; i < length; ++i) {
        const char c = static_cast<char>(data[i]);
        if (c != '\r' && c != '\n') {
            if (line.size() < kMaxAtLine)
                line.push_back(c);
            continue;
        }
        if (line.empty())
            continue;
        std::string upper;
        for (char ch : line)
            upper.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(ch))));
        m_hexlog.Line("at", "rx", reinterpret_cast<const std::uint8_t*>(line.data()), line.size(), line);
        line.clear();
        const char* reply = nullptr;
        if (upper.rfind("ATD", 0) == 0) {
            std::lock_guard lock(m_mutex);
            reply = m_faults.noCarrier ? "NO CARRIER\r\n" : "CONNECT\r\n";
        }
        else if (upper.rfind("AT", 0) == 0)
            reply = "OK\r\n";
        if (!reply)
            continue;
        {
            std::lock_guard lock(m_mutex);
            ++m_counters.atCommands;
        }
        const std::string text(reply);
        m_hexlog.Line("at", "tx", reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
        WriteAll(port, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    }
}

}  // namespace brivex::sim
