#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace brivex {

class CEngine;

// The main window's handlers of the engine's messages and timers, kept in
// the engine so the Qt main window and the test fake run the same code. Each
// runs on the user-interface thread:
//   1529 wParam 10   OnPhonebookEvent(lParam)
//   1535             LookUpName(number)
//   1537             OnSmsPopup(slot, show)
//   timer 105        OnRetryTimer()
//   timer 113        OnExitTimer()   (then the window takes its exit path)
class CWindowHandlers {
public:
    static constexpr int kRetryTimer = 105;
    static constexpr int kExitTimer = 113;
    static constexpr const char* kRetryText = "Retry Open !!";

    explicit CWindowHandlers(CEngine& engine);

    // The phonebook read the worker asks for: lParam is the storage word
    // (0xFF01 card, any other value memory). Reads the phonebook into the
    // store once per run, then only sets the storage's ready mark.
    std::intptr_t OnPhonebookEvent(std::intptr_t lParam);

    // Replaces the number by the name the phonebook store holds for it, or
    // empties it when there is none.
    void LookUpName(std::string& number);

    // Shows the pop-up of a modem-memory slot (show blocks until the user
    // closed it), then deletes the slot from the modem through the port
    // hand-over and allows the next pop-up. Does nothing while a pop-up is open.
    void OnSmsPopup(std::uint32_t slot, const std::function<void()>& show);

    // The automatic restart after a communication loss.
    void OnRetryTimer();
    // The end the user chose in the PIN dialog: the worker counts as halted.
    void OnExitTimer();

private:
    CEngine& m_engine;
    std::atomic<bool> m_popupOpen{false};
};

}  // namespace brivex
