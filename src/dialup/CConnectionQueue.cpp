#include "dialup/CConnectionQueue.h"

#include <algorithm>

namespace brivex {

bool CConnectionQueue::Push(std::uint8_t command, bool atHead)
{
    if (command == 0)
        return false;
    std::lock_guard lock(m_mutex);
    const auto queued = [this](std::uint8_t c) { return std::find(m_queue.begin(), m_queue.end(), c) != m_queue.end(); };
    if (queued(kHalt))
        return false;
    if (queued(kDisconnect) && command != kHalt)
        return false;
    if (atHead)
        m_queue.push_front(command);
    else
        m_queue.push_back(command);
    return true;
}

void CConnectionQueue::Remove(std::uint8_t command)
{
    std::lock_guard lock(m_mutex);
    if (command == kAll)
        m_queue.clear();
    else
        m_queue.erase(std::remove(m_queue.begin(), m_queue.end(), command), m_queue.end());
}

bool CConnectionQueue::Contains(std::uint8_t command) const
{
    std::lock_guard lock(m_mutex);
    return std::find(m_queue.begin(), m_queue.end(), command) != m_queue.end();
}

std::optional<std::uint8_t> CConnectionQueue::TakeHead()
{
    std::lock_guard lock(m_mutex);
    if (m_queue.empty())
        return std::nullopt;
    const std::uint8_t head = m_queue.front();
    m_queue.pop_front();
    return head;
}

bool CConnectionQueue::Empty() const
{
    std::lock_guard lock(m_mutex);
    return m_queue.empty();
}

std::deque<std::uint8_t> CConnectionQueue::Snapshot() const
{
    std::lock_guard lock(m_mutex);
    return m_queue;
}

}  // namespace brivex
