#pragma once

#include "modem/CRequestPacket.h"

#include <array>
#include <cstdint>
#include <span>

namespace brivex {

class CCommPort;

// One request/answer exchange of the status poll and the call commands on the
// diagnostic port: the request goes out with its own time-out, and the answer
// (only the bytes that arrived) is handed to a packet parser.
class CDiagExchange {
public:
    static constexpr std::size_t kAnswerCapacity = 1605;

    explicit CDiagExchange(CCommPort& port) : m_port(port) {}

    // The link's result code (0 answer received ... 4 no matching answer).
    int Run(const CRequestPacket& request);
    // The answer of the last Run that received one; empty otherwise.
    std::span<const std::uint8_t> Answer() const { return {m_answer.data(), m_length}; }

private:
    CCommPort& m_port;
    std::array<std::uint8_t, kAnswerCapacity> m_answer{};
    std::size_t m_length = 0;
};

}  // namespace brivex
