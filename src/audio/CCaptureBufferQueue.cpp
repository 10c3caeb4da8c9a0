#include "audio/CCaptureBufferQueue.h"

#include <algorithm>
#include <cstring>

namespace brivex {

CCaptureBufferQueue::CCaptureBufferQueue(BufferDone done) : m_done(std::move(done)) {}

bool CCaptureBufferQueue::Add(int index, std::uint8_t* data, std::size_t size)
{
    if (!data || size == 0)
        return false;
    std::lock_guard lock(m_mutex);
    m_buffers.push_back({index, data, size, 0});
    return true;
}

void CCaptureBufferQueue::Feed(const std::uint8_t* data, std::size_t length)
{
    while (length > 0) {
        int full = -1;
        {
            std::lock_guard lock(m_mutex);
            if (m_buffers.empty()) {
                m_dropped += length;
                return;
            }
            Buffer& front = m_buffers.front();
            const std::size_t n = std::min(length, front.size - front.filled);
            std::memcpy(front.data + front.filled, data, n);
            front.filled += n;
            data += n;
            length -= n;
            if (front.filled == front.size) {
                full = front.index;
                m_buffers.pop_front();
            }
        }
        if (full >= 0 && m_done)
            m_done(full);
    }
}

void CCaptureBufferQueue::Clear()
{
    std::lock_guard lock(m_mutex);
    m_buffers.clear();
}

std::size_t CCaptureBufferQueue::Held() const
{
    std::lock_guard lock(m_mutex);
    return m_buffers.size();
}

std::size_t CCaptureBufferQueue::DroppedBytes() const
{
    std::lock_guard lock(m_mutex);
    return m_dropped;
}

}  // namespace brivex
