#include "support/CFakeWindow.h"

#include <chrono>

namespace brivex::test {

using namespace std::chrono_literals;

CFakeWindow::CFakeWindow() : m_thread([this] { Loop(); }) {}

CFakeWindow::~CFakeWindow()
{
    {
        std::lock_guard lock(m_queueMutex);
        m_stop = true;
    }
    m_queueCv.notify_all();
    m_thread.join();
}

void CFakeWindow::Record(Event e)
{
    {
        std::lock_guard lock(m_mutex);
        m_events.push_back(std::move(e));
    }
    m_eventCv.notify_all();
}

std::vector<CFakeWindow::Event> CFakeWindow::Events() const
{
    std::lock_guard lock(m_mutex);
    return m_events;
}

std::vector<CFakeWindow::Event> CFakeWindow::EventsOf(const std::string& kind) const
{
    std::vector<Event> out;
    std::lock_guard lock(m_mutex);
    for (const auto& e : m_events)
        if (e.kind == kind)
            out.push_back(e);
    return out;
}

void CFakeWindow::ClearEvents()
{
    std::lock_guard lock(m_mutex);
    m_events.clear();
}

bool CFakeWindow::WaitFor(const std::function<bool(const std::vector<Event>&)>& pred, int timeoutMs) const
{
    std::unique_lock lock(m_mutex);
    return m_eventCv.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return pred(m_events); });
}

void CFakeWindow::SetHandler(Target target, unsigned message, Handler handler)
{
    std::lock_guard lock(m_mutex);
    m_handlers[{static_cast<int>(target), message}] = std::move(handler);
}

void CFakeWindow::SetPinAnswer(bool confirmed, std::function<void(PinMode)> store)
{
    std::lock_guard lock(m_mutex);
    m_pinConfirmed = confirmed;
    m_pinStore = std::move(store);
}

bool CFakeWindow::TimerRunning(int id) const
{
    std::lock_guard lock(m_mutex);
    return m_timers.count(id) != 0;
}

void CFakeWindow::SetTimerHandler(int id, std::function<void()> handler)
{
    std::lock_guard lock(m_mutex);
    m_timerHandlers[id] = std::move(handler);
}

void CFakeWindow::SetTimerAutoFire(int id, bool on)
{
    std::lock_guard lock(m_queueMutex);
    if (on)
        m_autoFire.insert(id);
    else
        m_autoFire.erase(id);
}

void CFakeWindow::FireTimer(int id)
{
    std::function<void()> handler;
    {
        std::lock_guard lock(m_mutex);
        if (id != 104)
            m_timers.erase(id);
        auto it = m_timerHandlers.find(id);
        if (it != m_timerHandlers.end())
            handler = it->second;
    }
    Record({"fired", id, 0, 0, {}, 0});
    if (handler)
        RunOnUiThread(handler);
}

// --- indicators and texts ---------------------------------------------------

void CFakeWindow::SetIndicator(int id, std::uint8_t value)
{
    {
        std::lock_guard lock(m_mutex);
        m_indicators[id] = value;
    }
    Record({"indicator", id, value, 0, {}, 0});
}

void CFakeWindow::SetLongSignal(int id, std::int32_t dbm) { Record({"long", id, dbm, 0, {}, 0}); }

std::uint8_t CFakeWindow::LastIndicator(int id)
{
    std::lock_guard lock(m_mutex);
    auto it = m_indicators.find(id);
    return it == m_indicators.end() ? 0 : it->second;
}

void CFakeWindow::ForgetIndicator(int id)
{
    {
        std::lock_guard lock(m_mutex);
        m_indicators.erase(id);
    }
    Record({"forget", id, 0, 0, {}, 0});
}

void CFakeWindow::SetStatusText(int line, const std::string& text)
{
    if (line < 1 || line > 3)
        return;
    {
        std::lock_guard lock(m_mutex);
        m_status[line] = text;
    }
    Record({"status", line, 0, 0, text, 0});
}

std::string CFakeWindow::StatusText(int line)
{
    if (line < 1 || line > 3)
        return {};
    std::lock_guard lock(m_mutex);
    return m_status[line];
}

void CFakeWindow::EnableButtons(Buttons group, bool enable)
{
    Record({"buttons", static_cast<int>(group), enable ? 1 : 0, 0, {}, 0});
}

void CFakeWindow::ShowControl(int id, bool show) { Record({"show", id, show ? 1 : 0, 0, {}, 0}); }
void CFakeWindow::EnableControl(int id, bool enable) { Record({"enable", id, enable ? 1 : 0, 0, {}, 0}); }

void CFakeWindow::SetControlText(int id, const std::string& text)
{
    {
        std::lock_guard lock(m_mutex);
        m_controlTexts[id] = text;
    }
    Record({"text", id, 0, 0, text, 0});
}

std::string CFakeWindow::ControlText(int id) const
{
    std::lock_guard lock(m_mutex);
    auto it = m_controlTexts.find(id);
    return it == m_controlTexts.end() ? std::string() : it->second;
}

void CFakeWindow::OpenUrl(const std::string& url) { Record({"url", 0, 0, 0, url, 0}); }

void CFakeWindow::SetVolumeLabels(const std::string& plus, const std::string& minus)
{
    Record({"volume", 0, 0, 0, plus + "|" + minus, 0});
}

void CFakeWindow::ShowProgress(bool show) { Record({"progress", 0, show ? 1 : 0, 0, {}, 0}); }
void CFakeWindow::SetWaitCursor(bool wait) { Record({"cursor", 0, wait ? 1 : 0, 0, {}, 0}); }

// --- timers -----------------------------------------------------------------

void CFakeWindow::StartTimer(int id, int milliseconds)
{
    {
        std::lock_guard lock(m_mutex);
        m_timers[id] = milliseconds;
    }
    Record({"timer", id, milliseconds, 0, {}, 0});
    {
        std::lock_guard lock(m_queueMutex);
        if (m_autoFire.count(id) != 0)
            m_due[id] = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    }
    m_queueCv.notify_all();
}

void CFakeWindow::KillTimer(int id)
{
    {
        std::lock_guard lock(m_mutex);
        m_timers.erase(id);
    }
    {
        std::lock_guard lock(m_queueMutex);
        m_due.erase(id);
    }
    Record({"kill", id, 0, 0, {}, 0});
}

// --- messages ---------------------------------------------------------------

void CFakeWindow::Enqueue(Message m)
{
    {
        std::lock_guard lock(m_queueMutex);
        m_queue.push_back(std::move(m));
    }
    m_queueCv.notify_all();
}

void CFakeWindow::Post(Target target, unsigned message, std::uintptr_t wParam, std::intptr_t lParam)
{
    Record({"post", static_cast<int>(message), static_cast<std::int64_t>(wParam), lParam, {}, static_cast<int>(target)});
    Enqueue({target, message, wParam, lParam, {}, false, nullptr, nullptr});
}

std::intptr_t CFakeWindow::Send(Target target, unsigned message, std::uintptr_t wParam, std::intptr_t lParam)
{
    Record({"send", static_cast<int>(message), static_cast<std::int64_t>(wParam), lParam, {}, static_cast<int>(target)});
    if (OnUiThread()) {
        Handler handler;
        {
            std::lock_guard lock(m_mutex);
            auto it = m_handlers.find({static_cast<int>(target), message});
            if (it != m_handlers.end())
                handler = it->second;
        }
        return handler ? handler(wParam, lParam) : 0;
    }
    bool done = false;
    std::intptr_t result = 0;
    Enqueue({target, message, wParam, lParam, {}, true, &done, &result});
    std::unique_lock lock(m_queueMutex);
    m_queueCv.wait(lock, [&] { return done || m_stop; });
    return result;
}

void CFakeWindow::RunOnUiThread(const std::function<void()>& fn)
{
    if (OnUiThread()) {
        fn();
        return;
    }
    bool done = false;
    Enqueue({Target::MainWindow, 0, 0, 0, fn, true, &done, nullptr});
    std::unique_lock lock(m_queueMutex);
    m_queueCv.wait(lock, [&] { return done || m_stop; });
}

bool CFakeWindow::HandleOne(std::unique_lock<std::mutex>& lock)
{
    if (m_queue.empty())
        return false;
    Message m = std::move(m_queue.front());
    m_queue.pop_front();
    lock.unlock();
    std::intptr_t result = 0;
    if (m.call) {
        m.call();
    } else {
        Handler handler;
        {
            std::lock_guard guard(m_mutex);
            auto it = m_handlers.find({static_cast<int>(m.target), m.number});
            if (it != m_handlers.end())
                handler = it->second;
        }
        if (handler)
            result = handler(m.wParam, m.lParam);
        Record({"handled", static_cast<int>(m.number), static_cast<std::int64_t>(m.wParam), m.lParam, {},
                static_cast<int>(m.target)});
    }
    lock.lock();
    if (m.done) {
        if (m.result)
            *m.result = result;
        *m.done = true;
        m_queueCv.notify_all();
    }
    return true;
}

void CFakeWindow::Loop()
{
    std::unique_lock lock(m_queueMutex);
    while (true) {
        const auto ready = [this] { return m_stop || !m_queue.empty(); };
        if (m_due.empty()) {
            m_queueCv.wait(lock, [&] { return ready() || !m_due.empty(); });
            if (!ready())
                continue;  // a timer was started: wait for it (or a message)
        } else {
            auto next = m_due.begin();
            for (auto it = m_due.begin(); it != m_due.end(); ++it)
                if (it->second < next->second)
                    next = it;
            if (!m_queueCv.wait_until(lock, next->second, ready)) {
                const int id = next->first;
                m_due.erase(next);
                lock.unlock();
                if (TimerRunning(id))
                    FireTimer(id);
                lock.lock();
                continue;
            }
        }
        if (m_stop)
            return;
        HandleOne(lock);
    }
}

bool CFakeWindow::IsOpen(Target target)
{
    std::lock_guard lock(m_mutex);
    auto it = m_open.find(static_cast<int>(target));
    return it != m_open.end() && it->second;
}

void CFakeWindow::SetOpen(Target target, bool open)
{
    std::lock_guard lock(m_mutex);
    m_open[static_cast<int>(target)] = open;
}

// --- modal requests -----------------------------------------------------------

bool CFakeWindow::ShowPinDialog(PinMode mode)
{
    bool confirmed;
    std::function<void(PinMode)> store;
    {
        std::lock_guard lock(m_mutex);
        confirmed = m_pinConfirmed;
        store = m_pinStore;
    }
    Record({"pin", static_cast<int>(mode), confirmed ? 1 : 0, 0, {}, 0});
    if (confirmed && store)
        store(mode);
    return confirmed;
}

void CFakeWindow::CancelPinDialog() { Record({"pin-cancel", 0, 0, 0, {}, 0}); }

int CFakeWindow::ShowUserMsg(const UserMsg& msg)
{
    Record({"notice", static_cast<int>(msg.icon), msg.countdown, msg.width, msg.text, msg.mode});
    return m_userMsgResult;
}

void CFakeWindow::MessageBox(const std::string& text, Icon icon) { Record({"box", static_cast<int>(icon), 0, 0, text, 0}); }

void CFakeWindow::PlayMessageSound() { Record({"sound", 0, 0, 0, "message.wav", 0}); }

void CFakeWindow::StartPcVoice()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_pcVoice)
            return;
        m_pcVoice = true;
    }
    Record({"pcvoice", 0, 1, 0, {}, 0});
}

void CFakeWindow::StopPcVoice()
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_pcVoice)
            return;
        m_pcVoice = false;
    }
    Record({"pcvoice", 0, 0, 0, {}, 0});
}

bool CFakeWindow::PcVoiceRunning()
{
    std::lock_guard lock(m_mutex);
    return m_pcVoice;
}

void CFakeWindow::CloseActiveView() { Record({"close-view", 0, 0, 0, {}, 0}); }
void CFakeWindow::KeypadKey(std::uint8_t key) { Record({"keypad", key, 0, 0, {}, 0}); }

bool CFakeWindow::PumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        if (OnUiThread()) {
            std::unique_lock lock(m_queueMutex);
            if (!HandleOne(lock)) {
                lock.unlock();
                std::this_thread::sleep_for(2ms);
            }
        } else {
            std::this_thread::sleep_for(2ms);
        }
    }
    return true;
}

}  // namespace brivex::test
