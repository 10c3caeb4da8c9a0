#pragma once

#include "link/CFrameReader.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brivex::test {

// The program's side of a simulated port, as small as a test needs: opens
// the tty raw, sends framed requests, and reads frames with generous
// time-outs. Every frame seen (good, bad, unsolicited) is kept in Seen().
class DiagClient {
public:
    using Bytes = std::vector<std::uint8_t>;

    explicit DiagClient(const std::string& path);
    ~DiagClient();
    DiagClient(const DiagClient&) = delete;
    DiagClient& operator=(const DiagClient&) = delete;

    bool IsOpen() const { return m_fd >= 0; }
    bool SendRaw(const Bytes& bytes);
    bool Send(const Bytes& packet);
    // Sends the request and returns the first good frame that starts with its
    // code, or nothing when none came within the time-out.
    std::optional<Bytes> Transact(const Bytes& request, int timeoutMs = 5000);
    // Reads raw bytes until the text appears (the AT port), within the time-out.
    std::string ReadUntil(const std::string& text, int timeoutMs = 5000);
    // True when the far end hung up within the time-out.
    bool WaitHangUp(int timeoutMs = 5000);

    const std::vector<CFrameReader::Frame>& Seen() const { return m_seen; }
    void ClearSeen() { m_seen.clear(); }

private:
    int m_fd = -1;
    CFrameReader m_reader;
    std::vector<CFrameReader::Frame> m_seen;
};

// Little-endian reads of an answer, checked against its length.
std::uint16_t Le16(const DiagClient::Bytes& b, std::size_t at);
std::uint32_t Le32(const DiagClient::Bytes& b, std::size_t at);

}  // namespace brivex::test
