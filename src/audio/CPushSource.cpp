#include "audio/CPushSource.h"

#include <algorithm>

namespace brivex {

bool CPushSource::Push(const std::uint8_t* data, std::size_t length, std::uint64_t tick, bool discontinuity)
{
    if (!data || length == 0 || length > kWorkBufferBytes)
        return false;
    std::lock_guard lock(m_mutex);
    if (!m_started) {
        m_started = true;
        m_firstTick = tick;
        discontinuity = true;
    }
    if (discontinuity) {
        ++m_discontinuities;
        m_dropped += m_count;
        m_start = m_count = 0;
    }
    if (m_count + length > kWorkBufferBytes) {
        // Make room in whole frames so the device never starts mid-frame.
        const std::size_t need = m_count + length - kWorkBufferBytes;
        const std::size_t frames = (need + CWaveFormat::kFrameBytes - 1) / CWaveFormat::kFrameBytes;
        DropFront(std::min(m_count, frames * CWaveFormat::kFrameBytes));
    }
    for (std::size_t i = 0; i < length; ++i)
        m_buffer[(m_start + m_count + i) % kWorkBufferBytes] = data[i];
    m_count += length;
    return true;
}

std::size_t CPushSource::Take(std::uint8_t* out, std::size_t capacity)
{
    if (!out)
        return 0;
    std::lock_guard lock(m_mutex);
    const std::size_t n = std::min(capacity, m_count);
    for (std::size_t i = 0; i < n; ++i)
        out[i] = m_buffer[(m_start + i) % kWorkBufferBytes];
    m_start = (m_start + n) % kWorkBufferBytes;
    m_count -= n;
    return n;
}

void CPushSource::DropFront(std::size_t count)
{
    m_start = (m_start + count) % kWorkBufferBytes;
    m_count -= count;
    m_dropped += count;
}

std::size_t CPushSource::Pending() const
{
    std::lock_guard lock(m_mutex);
    return m_count;
}

std::size_t CPushSource::DroppedBytes() const
{
    std::lock_guard lock(m_mutex);
    return m_dropped;
}

std::uint64_t CPushSource::FirstTick() const
{
    std::lock_guard lock(m_mutex);
    return m_firstTick;
}

std::size_t CPushSource::Discontinuities() const
{
    std::lock_guard lock(m_mutex);
    return m_discontinuities;
}

}  // namespace brivex
