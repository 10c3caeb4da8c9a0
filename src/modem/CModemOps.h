#pragma once

#include "modem/CCardOperations.h"
#include "modem/CDataRateOperations.h"
#include "modem/CIdentityOperations.h"
#include "modem/CPhonebookOperations.h"
#include "modem/CSmsOperations.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace brivex {

class CEngine;

// The synchronous modem operations behind `DmSub`: SMS list, send, voice
// mail, data rates, phonebook information/read/write/delete, modem identity,
// card verification and unblocking. A caller other than the worker first
// parks the worker and resumes it afterwards, so exactly one thread uses the
// diagnostic port at a time.
class CModemOps {
public:
    static constexpr int kParkSettleMs = 300;   // after asking the worker to park
    static constexpr int kWorkerSettleMs = 50;  // before an operation on the worker
    // The park wait is bounded, longer than the worker's longest step (the
    // 60-second card read), so a wedged worker cannot hold a window forever.
    static constexpr std::chrono::milliseconds kParkWait{120000};

    explicit CModemOps(CEngine& engine);

    // Runs operation id with its argument; returns the id on success or a
    // DmResult (the SMS list returns its transaction code, 0 when read).
    // onWorker is true when the caller is the worker thread, or a thread the
    // worker waits for (the window's phonebook read behind message 1529).
    //   16 DM_SMS_SEND       -             the SMS view's send record (State())
    //   18 DM_SMS_LIST       storage code  6 memory (raises the pop-up), 5 card
    //   21 DM_SMS_REMOVEAT   -             24 DM_SMS_VOICENUM -
    //   82 DM_PREF_HDR_DRC   -             84 DM_PREF_1X_DRC  -
    //  144 DM_PBOOK_READ     storage word  0xFF01 card, any other value memory
    //  145 DM_PBOOK_WRITE    const PhonebookEntry*
    //  146 DM_PBOOK_DEL      const PhonebookSlot*
    //  148 DM_PBOOK_INFO     storage byte  1 card, 9 memory
    // 0x8001 DM_GET_SERVICE  -
    // 0x800B DM_RUIM_VERIFY  CHV sub-command: 1 verify, 5 unblock
    std::uint16_t DmSub(std::uint16_t id, std::uintptr_t argument, bool onWorker);

    // The pop-up's delete of the modem-memory slot it showed, from the
    // window's thread after the pop-up closed: through the hand-over, the
    // result not examined; then the next pop-up may be raised.
    void DeletePopupSlot(std::uint32_t slot);

    // True from a park request of another thread until it handed the port
    // back: a parked worker then stays parked and takes no end command.
    bool HandOverActive() const { return m_lent.load(); }

    // What the last phonebook read did (read it after the read returned).
    CPhonebookOperations::ReadFigures LastPhonebookRead() const { return m_phonebook.LastRead(); }

private:
    enum class Park { Parked, Ending, TimedOut };

    std::uint16_t Run(std::uint16_t id, std::uintptr_t argument);
    // Parks the worker, runs the operation on this thread and resumes it.
    std::uint16_t HandedOver(const std::function<std::uint16_t()>& operation);
    Park WaitForPark();
    bool OwnsHandOver() const { return m_owner.load() == std::this_thread::get_id(); }

    CEngine& m_engine;
    CSmsOperations m_sms;
    CPhonebookOperations m_phonebook;
    CCardOperations m_card;
    CIdentityOperations m_identity;
    CDataRateOperations m_dataRates;

    std::mutex m_handOverMutex;            // one hand-over at a time
    std::atomic<std::thread::id> m_owner;  // the thread in the hand-over
    std::atomic<bool> m_lent{false};
};

}  // namespace brivex
