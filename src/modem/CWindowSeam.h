#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace brivex {

// Everything the engine (modem worker, modem operations, restart, connection
// thread, device watch) asks of the main window. The Qt main window implements
// it with queued and blocking-queued calls onto its own thread; the tests
// implement it with a recording fake that runs its own message queue. Every
// operation may be called from any engine thread.
class CWindowSeam {
public:
    // Receivers of the numbered window messages.
    enum class Target { MainWindow, SmsView, SettingsView };

    // Icons of message boxes and of CUserMsgDlg notices.
    enum class Icon { Error, Warning, Information, Exclamation };

    // The groups of main-window buttons the engine enables and disables.
    enum class Buttons {
        Connect,   // 1000 (Connect) and 1001 (Disconnect)
        Tabs,      // Setting 1003, traffic 1005, recharge 1006, balance 1007, own number 1008
        Volume,    // the (hidden) volume buttons, kept for their labels
        History,   // names nothing visible
        Menu,      // names nothing visible
    };

    // The PIN dialog's two modes.
    enum class PinMode : std::uint8_t { Verify = 2, Unblock = 4 };

    // A CUserMsgDlg notice.
    struct UserMsg {
        std::string text;
        Icon icon = Icon::Exclamation;
        int mode = 2;            // 0/1 OK and Cancel, 2 OK only
        int countdown = 0;       // seconds; 0 or less: none
        int closeAction = 1;     // at the end of the countdown: non-zero OK, 0 Cancel
        int width = -1;          // -1: 344 pixels
        int alignment = 1;       // 1 left-aligned
    };

    virtual ~CWindowSeam() = default;

    // Indicators (ids and values as the main window interprets them).
    virtual void SetIndicator(int id, std::uint8_t value) = 0;
    // The long status layout's signal values (id 1041 or 3) in dBm.
    virtual void SetLongSignal(int id, std::int32_t dbm) = 0;
    // The value an indicator last showed, and forgetting it so the next value redraws.
    virtual std::uint8_t LastIndicator(int id) = 0;
    virtual void ForgetIndicator(int id) = 0;

    // Status line 1 (the main status text), 2 and 3.
    virtual void SetStatusText(int line, const std::string& text) = 0;
    virtual std::string StatusText(int line) = 0;

    virtual void EnableButtons(Buttons group, bool enable) = 0;
    // Single controls by their dialog id (Connect 1000, Disconnect 1001, ...).
    virtual void ShowControl(int id, bool show) = 0;
    virtual void EnableControl(int id, bool enable) = 0;
    // Text of a control other than the status lines (the connection time 1059).
    virtual void SetControlText(int id, const std::string& text) = 0;
    // Opens a document or address with the desktop's default handler.
    virtual void OpenUrl(const std::string& url) = 0;
    virtual void SetVolumeLabels(const std::string& plus, const std::string& minus) = 0;
    virtual void ShowProgress(bool show) = 0;
    virtual void SetWaitCursor(bool wait) = 0;

    // One-shot main-window timers by id (104 repeats); handlers run on the UI thread.
    virtual void StartTimer(int id, int milliseconds) = 0;
    virtual void KillTimer(int id) = 0;

    // Numbered window messages. Send blocks until the UI thread has handled
    // it and returns the handler's result. For 1535 lParam points to a
    // std::string holding the number; on return it holds the name or is empty.
    virtual void Post(Target target, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
    virtual std::intptr_t Send(Target target, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
    // True while the view (settings, SMS) exists, so a post would reach it.
    virtual bool IsOpen(Target target) = 0;

    // Modal requests from an engine thread; they block that thread until closed.
    // The PIN dialog stores the codes in the profile and returns the confirmed flag.
    virtual bool ShowPinDialog(PinMode mode) = 0;
    // Closes an open PIN dialog as cancelled (the stop operation, the device watch).
    virtual void CancelPinDialog() = 0;
    // Returns the notice's result: 1 or 3 OK, 2 Cancel.
    virtual int ShowUserMsg(const UserMsg& msg) = 0;
    // A message box captioned "Brivex".
    virtual void MessageBox(const std::string& text, Icon icon) = 0;

    // Plays "message.wav" and returns when it has ended (bounded).
    virtual void PlayMessageSound() = 0;
    // PC voice for a call's conversation; starting twice does nothing.
    virtual void StartPcVoice() = 0;
    virtual void StopPcVoice() = 0;
    virtual bool PcVoiceRunning() = 0;

    // Closes an active view (voice view back to home).
    virtual void CloseActiveView() = 0;
    // Hands a key the modem took during a call to the keypad view, which
    // applies it to its own editing (its key handling with source 0).
    virtual void KeypadKey(std::uint8_t key) = 0;

    // Handles the calling thread's pending messages until the condition holds
    // or the time-out passes; true when the condition held. On the UI thread it
    // keeps the windows alive; on other threads it just waits.
    virtual bool PumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) = 0;
};

}  // namespace brivex
