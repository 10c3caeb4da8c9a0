#include "modem/CModemOps.h"

#include "app/CDebugViews.h"
#include "modem/CEngine.h"
#include "modem/CWindowSeam.h"
#include "modem/WorkerCommands.h"

namespace brivex {

namespace {

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

bool Ending(std::uint16_t command)
{
    return command == DM_RESULT_WORKER_ENDING || command >= DM_HALTED;
}

}  // namespace

CModemOps::CModemOps(CEngine& engine)
    : m_engine(engine), m_sms(engine), m_phonebook(engine), m_card(engine), m_identity(engine), m_dataRates(engine)
{
}

std::uint16_t CModemOps::DmSub(std::uint16_t id, std::uintptr_t argument, bool onWorker)
{
    if (onWorker) {
        SleepMs(kWorkerSettleMs);
        return Run(id, argument);
    }
    return HandedOver([&] { return Run(id, argument); });
}

void CModemOps::DeletePopupSlot(std::uint32_t slot)
{
    HandedOver([&] {
        m_sms.DeletePopupSlot(slot);
        return std::uint16_t{0};
    });
    m_engine.State().popupRaised = false;
}

std::uint16_t CModemOps::Run(std::uint16_t id, std::uintptr_t argument)
{
    switch (id) {
    case DM_SMS_SEND: return m_sms.Send();
    case DM_SMS_LIST: return m_sms.List(static_cast<std::uint32_t>(argument));
    case DM_SMS_REMOVEAT: return m_sms.RemoveVoiceMail();
    case DM_SMS_VOICENUM: return m_sms.ReadVoiceMailCount();
    case DM_PREF_HDR_DRC: return m_dataRates.ReadEvdo();
    case DM_PREF_1X_DRC: return m_dataRates.ReadOneX();
    case DM_PBOOK_READ: return m_phonebook.Read(argument);
    case DM_PBOOK_WRITE: return m_phonebook.Write(reinterpret_cast<const PhonebookEntry*>(argument));
    case DM_PBOOK_DEL: return m_phonebook.Delete(reinterpret_cast<const PhonebookSlot*>(argument));
    case DM_PBOOK_INFO: return m_phonebook.Info(argument);
    case DM_GET_SERVICE: return m_identity.GetService();
    case DM_RUIM_VERIFY: return m_card.Verify(argument);
    default:
        BX_LOG(LEVEL_ST, "Dm Sub unknown operation 0x%04x", id);
        return DM_RESULT_MISSING_ARGUMENT;
    }
}

CModemOps::Park CModemOps::WaitForPark()
{
    const CEngineState& state = m_engine.State();
    const bool done = m_engine.Window().PumpUntil(
        [&] {
            const std::uint16_t current = state.currentCommand.load();
            return current == DM_PARKED || Ending(current);
        },
        kParkWait);
    if (!done)
        return Park::TimedOut;
    return state.currentCommand.load() == DM_PARKED ? Park::Parked : Park::Ending;
}

// The hand-over of the port from the worker to this thread. A message that
// this thread handles while it waits (or while a modal notice of the
// operation runs) may ask for another operation: it shares the park this
// thread asked for instead of asking again.
std::uint16_t CModemOps::HandedOver(const std::function<std::uint16_t()>& operation)
{
    if (OwnsHandOver())
        return WaitForPark() == Park::Parked ? operation() : std::uint16_t{DM_RESULT_WORKER_ENDING};

    std::lock_guard serial(m_handOverMutex);
    CModemWorker& worker = m_engine.Worker();
    CWindowSeam& window = m_engine.Window();
    CEngineState& state = m_engine.State();

    // Lent from the park request on: once parked, the worker stays parked
    // (whatever else is queued) until the poll below hands the port back.
    // However this ends, the loan and the wait cursor end with it.
    struct Loan {
        CModemOps& ops;
        CWindowSeam& window;
        ~Loan()
        {
            ops.m_lent = false;
            window.SetWaitCursor(false);
            ops.m_owner = std::thread::id();
        }
    } loan{*this, window};
    m_owner = std::this_thread::get_id();
    m_lent = true;
    worker.PostCommand(DM_STOP_WORK);
    window.SetWaitCursor(true);
    SleepMs(kParkSettleMs);
    std::uint16_t result = DM_RESULT_WORKER_ENDING;
    switch (WaitForPark()) {
    case Park::Parked:
        result = operation();
        if (state.currentCommand.load() < DM_HALTED)
            worker.PostCommand(DM_GET_INFO, true);
        else
            result = DM_RESULT_WORKER_ENDING;
        break;
    case Park::Ending:
        break;
    case Park::TimedOut:
        // Take the park request back; should the worker be taking it right
        // now, the poll queued behind its park wakes it again.
        BX_LOG(LEVEL_ST, "Dm Sub: the worker did not park (command 0x%04x)", state.currentCommand.load());
        worker.RemoveCommand(DM_STOP_WORK);
        worker.PostCommand(DM_GET_INFO);
        break;
    }
    return result;
}

}  // namespace brivex
