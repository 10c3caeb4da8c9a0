#pragma once

#include <chrono>
#include <cstdint>

namespace brivex {

class CEngine;

// Starting and stopping the worker with both ports (UserDmRestart and the
// stop operation), and the reset function that writes the preferred mode.
class CDmControl {
public:
    static constexpr const char* kNotAttached = "Your Modem is not Attached. This Program cannot be executed   ";
    static constexpr const char* kPortNotOpened = "ComPort is not opened.";
    // The stop's wait for the worker is bounded so an exit never hangs.
    static constexpr std::chrono::milliseconds kStopWait{10000};

    explicit CDmControl(CEngine& engine);

    // Configures both ports, opens the diagnostic port and starts the worker
    // at DM_PREF_READ; runs on the user-interface thread.
    void UserDmRestart();
    // Ends the worker, closes both ports, frees the queue. Runs on the UI
    // thread, or on the worker thread when the worker ends itself.
    void Stop();
    // Command 80 (DM_PREF_CM_SYS_SEL); returns 0x7008 or an error result.
    std::uint16_t ResetFunction(std::uint16_t command, bool onWorker);

private:
    void ConfigurePorts();
    void ShowPortLost();
    void EnableResetButtons(bool enable);
    std::uint16_t WritePreferredMode();

    CEngine& m_engine;
};

}  // namespace brivex
