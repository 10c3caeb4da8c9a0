#include "modem/CWindowHandlers.h"

#include "modem/CEngine.h"
#include "modem/CWindowSeam.h"
#include "modem/WorkerCommands.h"
#include "store/CDaoPbookDb.h"

namespace brivex {

namespace {

constexpr std::intptr_t kCardStorageWord = 0xFF01;
constexpr std::uint8_t kMarkMemoryReady = 0x04;
constexpr std::uint8_t kMarkCardReady = 0x08;

}  // namespace

CWindowHandlers::CWindowHandlers(CEngine& engine) : m_engine(engine) {}

std::intptr_t CWindowHandlers::OnPhonebookEvent(std::intptr_t lParam)
{
    CEngineState& state = m_engine.State();
    // The card's word sets bit 2, any other word bit 3; the phonebook view
    // opens once both marks are set.
    const std::uint8_t mark = lParam == kCardStorageWord ? kMarkMemoryReady : kMarkCardReady;
    if (state.phonebookLoaded.load()) {
        state.messageFlags.fetch_or(mark);
        return 0;
    }
    const std::uint16_t result = m_engine.Ops().DmSub(DM_PBOOK_READ, static_cast<std::uintptr_t>(lParam), true);
    if (result == DM_PBOOK_READ) {
        state.phonebookLoaded = true;
        state.messageFlags.fetch_or(mark);
    }
    return result;
}

void CWindowHandlers::LookUpName(std::string& number)
{
    CDaoPbookDb* store = m_engine.PhonebookStore();
    std::optional<std::string> name;
    if (store != nullptr)
        name = store->LookUpName(number);
    number = name.value_or(std::string());
}

void CWindowHandlers::OnSmsPopup(std::uint32_t slot, const std::function<void()>& show)
{
    if (m_popupOpen.exchange(true))
        return;
    if (show)
        show();
    // The delete goes through the port hand-over like every other operation of this thread.
    m_engine.Ops().DeletePopupSlot(slot);
    m_popupOpen = false;
}

void CWindowHandlers::OnRetryTimer()
{
    CWindowSeam& window = m_engine.Window();
    window.KillTimer(kRetryTimer);
    window.SetStatusText(1, kRetryText);
    m_engine.State().retryCount.fetch_add(1);
    m_engine.State().phonebookLoaded = false;
    m_engine.Control().UserDmRestart();
}

void CWindowHandlers::OnExitTimer()
{
    m_engine.Window().KillTimer(kExitTimer);
    m_engine.State().currentCommand = DM_HALTED;
}

}  // namespace brivex
