#include "modem/CDiagExchange.h"

#include "link/CCommPort.h"

#include <algorithm>

namespace brivex {

int CDiagExchange::Run(const CRequestPacket& request)
{
    m_length = 0;
    const int result = m_port.Transact(request.data(), m_answer.data(), request.size(), request.TimeoutMs(),
                                       m_answer.size());
    if (result == CCommPort::kAnswer)
        m_length = std::min(m_port.LastResponseLength(), m_answer.size());
    return result;
}

}  // namespace brivex
