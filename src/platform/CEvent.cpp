#include "platform/CEvent.h"

namespace brivex {

CEvent::CEvent(Reset mode, bool initiallySet) : m_mode(mode), m_set(initiallySet) {}

void CEvent::Set()
{
    {
        std::lock_guard lock(m_mutex);
        m_set = true;
    }
    if (m_mode == Reset::Auto)
        m_cv.notify_one();
    else
        m_cv.notify_all();
}

void CEvent::ResetEvent()
{
    std::lock_guard lock(m_mutex);
    m_set = false;
}

void CEvent::Pulse()
{
    {
        std::lock_guard lock(m_mutex);
        ++m_pulses;
        m_set = false;
    }
    m_cv.notify_all();
}

bool CEvent::IsSet() const
{
    std::lock_guard lock(m_mutex);
    return m_set;
}

bool CEvent::Wait(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    const unsigned long long pulses = m_pulses;
    auto ready = [&] { return m_set || m_pulses != pulses; };
    bool ok;
    if (timeout.count() < 0) {
        m_cv.wait(lock, ready);
        ok = true;
    } else {
        ok = m_cv.wait_for(lock, timeout, ready);
    }
    if (ok && m_set && m_mode == Reset::Auto)
        m_set = false;
    return ok;
}

}  // namespace brivex
