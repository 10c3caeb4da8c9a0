#pragma once

#include "modem/CWindowSeam.h"

#include <chrono>
#include <thread>

namespace brivex {

// A main window for headless measurements: it shows nothing, answers every
// dialog with its default, and waits by polling. Benchmarks derive from it and
// override only what they observe.
class CSilentWindow : public CWindowSeam {
public:
    void SetIndicator(int, std::uint8_t) override {}
    void SetLongSignal(int, std::int32_t) override {}
    std::uint8_t LastIndicator(int) override { return 0; }
    void ForgetIndicator(int) override {}
    void SetStatusText(int, const std::string&) override {}
    std::string StatusText(int) override { return {}; }
    void EnableButtons(Buttons, bool) override {}
    void ShowControl(int, bool) override {}
    void EnableControl(int, bool) override {}
    void SetControlText(int, const std::string&) override {}
    void OpenUrl(const std::string&) override {}
    void SetVolumeLabels(const std::string&, const std::string&) override {}
    void ShowProgress(bool) override {}
    void SetWaitCursor(bool) override {}
    void StartTimer(int, int) override {}
    void KillTimer(int) override {}
    void Post(Target, unsigned, std::uintptr_t, std::intptr_t) override {}
    std::intptr_t Send(Target, unsigned, std::uintptr_t, std::intptr_t) override { return 0; }
    bool IsOpen(Target) override { return false; }
    bool ShowPinDialog(PinMode) override { return false; }
    void CancelPinDialog() override {}
    int ShowUserMsg(const UserMsg&) override { return 1; }
    void MessageBox(const std::string&, Icon) override {}
    void PlayMessageSound() override {}
    void StartPcVoice() override {}
    void StopPcVoice() override {}
    bool PcVoiceRunning() override { return false; }
    void CloseActiveView() override {}
    void KeypadKey(std::uint8_t) override {}
    bool PumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) override
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!condition()) {
            if (std::chrono::steady_clock::now() >= deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    }
};

}  // namespace brivex
