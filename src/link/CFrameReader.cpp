#include "link/CFrameReader.h"

#include "link/CFrameCheck.h"
#include "link/CHdlcCodec.h"

#include <cstring>

namespace brivex {

void CFrameReader::Reset()
{
    m_raw.clear();
    m_overflow = false;
}

CFrameReader::Frame CFrameReader::DecodeFrame() const
{
    Frame frame;
    frame.payload.resize(m_raw.size());
    std::size_t decoded = 0;
    CHdlcCodec::Unescape(m_raw.data(), m_raw.size(), frame.payload.data(), frame.payload.size(), decoded);
    // Fewer than three decoded bytes cannot hold a packet and its check; two
    // such bytes can still end at the good residue (the frame of no packet).
    frame.good = decoded >= 3 && CFrameCheck::IsGood(frame.payload.data(), decoded);
    frame.payload.resize(decoded > 2 ? decoded - 2 : decoded);
    return frame;
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
            // The raw bound lets a fully escaped frame through; a frame of
            // plain bytes can still decode to more than the payload bound.
            const Frame frame = DecodeFrame();
            if (frame.payload.size() > m_maxPayload)
                ++m_droppedOversize;
            else
                handler(frame);
        }
        Reset();
        i = end + 1;
    }
}

}  // namespace brivex
