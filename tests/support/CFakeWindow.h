#pragma once

#include "modem/CWindowSeam.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace brivex::test {

// A recording stand-in for the main window. It records every call the engine
// makes on it, keeps indicators, status lines and timers the way the window
// would, and runs its own "UI thread" with a message queue: Post queues a
// message, Send queues it and waits until it was handled there. Handlers for
// the numbered messages are installed by the test (or by CEngineHarness);
// modal dialogs are answered from pre-set answers.
class CFakeWindow : public CWindowSeam {
public:
    struct Event {
        std::string kind;     // "indicator", "long", "status", "post", "send", "timer", "kill", "box", "notice", "pin", ...
        int id = 0;           // indicator id, status line, message number, timer id
        std::int64_t a = 0;   // value, wParam, period
        std::int64_t b = 0;   // lParam
        std::string text;     // status text, box text
        int target = 0;       // CWindowSeam::Target
    };
    using Handler = std::function<std::intptr_t(std::uintptr_t wParam, std::intptr_t lParam)>;

    CFakeWindow();
    ~CFakeWindow() override;

    // --- test side ---
    void SetHandler(Target target, unsigned message, Handler handler);
    // The PIN dialog's answer: confirmed, and the codes it stores first.
    void SetPinAnswer(bool confirmed, std::function<void(PinMode)> store = {});
    void SetUserMsgAnswer(int result) { m_userMsgResult = result; }
    std::vector<Event> Events() const;
    std::vector<Event> EventsOf(const std::string& kind) const;
    void ClearEvents();
    bool TimerRunning(int id) const;
    // Runs a timer's handler on the fake's thread as if it expired.
    void FireTimer(int id);
    void SetTimerHandler(int id, std::function<void()> handler);
    // A timer started with auto-fire on expires by itself after its period,
    // its handler running on the fake's thread, as the window's timer would.
    void SetTimerAutoFire(int id, bool on);
    // Waits until pred holds over the recorded events (checked on every new event).
    bool WaitFor(const std::function<bool(const std::vector<Event>&)>& pred, int timeoutMs = 10000) const;
    // Runs fn on the fake's UI thread and waits for it.
    void RunOnUiThread(const std::function<void()>& fn);
    bool OnUiThread() const { return std::this_thread::get_id() == m_thread.get_id(); }

    // --- CWindowSeam ---
    void SetIndicator(int id, std::uint8_t value) override;
    void SetLongSignal(int id, std::int32_t dbm) override;
    std::uint8_t LastIndicator(int id) override;
    void ForgetIndicator(int id) override;
    void SetStatusText(int line, const std::string& text) override;
    std::string StatusText(int line) override;
    void EnableButtons(Buttons group, bool enable) override;
    void ShowControl(int id, bool show) override;
    void EnableControl(int id, bool enable) override;
    void SetControlText(int id, const std::string& text) override;
    std::string ControlText(int id) const;
    void OpenUrl(const std::string& url) override;
    void SetVolumeLabels(const std::string& plus, const std::string& minus) override;
    void ShowProgress(bool show) override;
    void SetWaitCursor(bool wait) override;
    void StartTimer(int id, int milliseconds) override;
    void KillTimer(int id) override;
    void Post(Target target, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
    std::intptr_t Send(Target target, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
    bool IsOpen(Target target) override;
    void SetOpen(Target target, bool open);
    bool ShowPinDialog(PinMode mode) override;
    void CancelPinDialog() override;
    int ShowUserMsg(const UserMsg& msg) override;
    void MessageBox(const std::string& text, Icon icon) override;
    void PlayMessageSound() override;
    void StartPcVoice() override;
    void StopPcVoice() override;
    bool PcVoiceRunning() override;
    void CloseActiveView() override;
    void KeypadKey(std::uint8_t key) override;
    bool PumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) override;

private:
    struct Message {
        Target target;
        unsigned number;
        std::uintptr_t wParam;
        std::intptr_t lParam;
        std::function<void()> call;   // a RunOnUiThread job instead of a message
        bool sent = false;
        bool* done = nullptr;
        std::intptr_t* result = nullptr;
    };

    void Record(Event e);
    void Loop();
    bool HandleOne(std::unique_lock<std::mutex>& lock);
    void Enqueue(Message m);

    mutable std::mutex m_mutex;            // events, indicators, texts, timers
    mutable std::condition_variable m_eventCv;
    std::vector<Event> m_events;
    std::map<int, std::uint8_t> m_indicators;
    std::string m_status[4];
    std::map<int, std::string> m_controlTexts;
    std::map<int, int> m_timers;
    std::map<int, std::function<void()>> m_timerHandlers;
    std::map<std::pair<int, unsigned>, Handler> m_handlers;
    std::map<int, bool> m_open;
    bool m_pinConfirmed = true;
    std::function<void(PinMode)> m_pinStore;
    int m_userMsgResult = 1;
    bool m_pcVoice = false;

    std::mutex m_queueMutex;
    std::condition_variable m_queueCv;
    std::deque<Message> m_queue;
    std::set<int> m_autoFire;                                       // under m_queueMutex
    std::map<int, std::chrono::steady_clock::time_point> m_due;    // under m_queueMutex
    bool m_stop = false;
    std::thread m_thread;
};

}  // namespace brivex::test
