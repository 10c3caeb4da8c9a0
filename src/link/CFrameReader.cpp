#include "link/CFrameReader.h"

#include "link/CHdlcCodec.h"

#include <cstring>

namespace brivex {

void CFrameReader::Reset()
{
    m_raw.clear();
    m_overflow = false;
}

void CFrameReader::Feed(const std::uint8_t* data, std::size_t length, const Handler& handler)
{
    const std::size_t rawLimit = 2 * (m_maxPayload + 2);
    std::size_t i = 0;
    while (i < length) {
        const void* flag = std::memchr(data + i, CHdlcCodec::kFlag, length - i);
        const std::size_t end = flag ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(flag) - data) : length;
        if (!m_overflow) {
            if (m_raw.size() + (end - i) > rawLimit) {
                m_overflow = true;
                m_raw.clear();
            } else {
                m_raw.insert(m_raw.end(), data + i, data + end);
            }
        }
        if (!flag)
            return;
        // A flag ends the current frame, whatever state the reader is in.
        if (m_overflow) {
            ++m_droppedOversize;
        } else if (!m_raw.empty()) {
            Frame frame;
            frame.payload.resize(m_raw.size());
            std::size_t payloadLength = 0;
            frame.good = CHdlcCodec::Decode(m_raw.data(), m_raw.size(), frame.payload.data(), frame.payload.size(),
                                            payloadLength);
            frame.payload.resize(payloadLength);
            handler(frame);
        }
        Reset();
        i = end + 1;
    }
}

}  // namespace brivex
