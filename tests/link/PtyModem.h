#pragma once

#include "support/EnvGuard.h"
#include "support/TempDir.h"

#include <chrono>
#include <cstdint>
#include <future>
#include <memory>
#include <optional>
#include <vector>

namespace brivex::test {

using Bytes = std::vector<std::uint8_t>;

// The far end of a port under test: a pseudo-terminal whose slave is linked
// as ttyUSB<n-1> in a scratch device directory, with BRIVEX_DEVDIR and
// BRIVEX_SYSDIR pointing at scratch directories while the object lives.
class PtyModem {
public:
    explicit PtyModem(unsigned portNumber = 3);
    ~PtyModem();
    PtyModem(const PtyModem&) = delete;
    PtyModem& operator=(const PtyModem&) = delete;

    unsigned PortNumber() const { return m_portNumber; }
    const TempDir& Dir() const { return m_dir; }

    void Write(const Bytes& bytes);
    // Raw bytes from the port, until count arrived or the time-out passed.
    Bytes ReadRaw(std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // The payload of the next good frame the port sent.
    std::optional<Bytes> ReadRequest(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // On another thread: waits for one request, then writes the reply (when
    // given); the future holds the request seen (empty when none came).
    std::future<Bytes> ReplyOnce(std::optional<Bytes> reply);
    // Closes the master: the port sees its tty hang up.
    void Unplug();

private:
    TempDir m_dir;
    std::unique_ptr<EnvGuard> m_devDir;
    std::unique_ptr<EnvGuard> m_sysDir;
    unsigned m_portNumber;
    int m_master = -1;
    int m_slave = -1;
};

// The wire form of a packet.
Bytes Frame(const Bytes& packet);
// The wire form with its check sequence spoiled.
Bytes BadFrame(const Bytes& packet);

}  // namespace brivex::test
