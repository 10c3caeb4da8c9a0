#pragma once

#include "modem/StepResult.h"
#include "platform/CEvent.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

namespace brivex {

class CCommPort;
class CEngine;
struct CardStatusRecord;

// The one thread that talks to the modem in normal operation: a command
// queue (one lock around every queue operation), a loop that runs one
// command per pass after the 200 ms wait, the start-up sequence, the
// card-state machine, the small commands and the ending paths. The status
// poll and the call commands are CStatusPoll and CCallCommands; the
// synchronous operations are CModemOps.
//
// End requests (DM_END_WORK, DM_DEVICE_NULL) are honoured within a pass:
// they cut the pass's wait short, end a card-status read that is waiting for
// its answer, and close a PIN dialog the worker shows.
class CModemWorker {
public:
    // A card check that keeps finding no usable card repeats every pass
    // until the no-card message (the 20th poll); after that it repeats every
    // kSlowCardPollMs, and any posted command cuts that wait short.
    static constexpr int kCardRepeatsBeforeSlow = 20;
    static constexpr int kSlowCardPollMs = 5000;
    static constexpr std::uint8_t kNoCardMessageAt = 20;
    static constexpr std::uint32_t kDefaultWaitMs = 200;

    // What PostCommand does with an id in the given state (the filter rules).
    enum class Admission {
        Queue,          // queued; true
        Ignored,        // the worker is halted or ending: true, nothing queued
        Refused,        // false
        RefusedQuiet,   // outgoing call while the data link is up: timer 101, false
        RefusedWarning, // the same, with the "Cannot make outgoing call" box first
    };
    struct FilterInput {
        std::uint16_t current = 1;
        std::uint8_t connectionState = 0;
        std::uint8_t serviceState = 3;
        std::uint16_t callStateWord = 0xFFF0;
        std::uint8_t activeView = 0;
    };
    static Admission Filter(std::uint16_t id, const FilterInput& in);

    // The next command after a pass: an end request anywhere in the queue
    // first (DM_END_WORK before DM_DEVICE_NULL), then the same command while
    // errors count, then the queue's head, then parked stays parked, else
    // the status poll. Takes the chosen entry out of the queue. While an
    // operation holds the parked worker's port (portLent) the worker stays
    // parked, end requests included.
    static std::uint16_t PickNext(std::deque<std::uint16_t>& queue, std::uint16_t current, int errorCount,
                                  bool portLent);

    static constexpr const char* kNoOutgoingCall = "Cannot make outgoing call under network connecting";
    static constexpr const char* kInsertCard = "Insert RUIM Card and Restart Modem. ";
    static constexpr const char* kUnblockBlocked = "Your card PIN UnBlock Code is blocked!. Cannot use this card";

    explicit CModemWorker(CEngine& engine);
    ~CModemWorker();
    CModemWorker(const CModemWorker&) = delete;
    CModemWorker& operator=(const CModemWorker&) = delete;

    // The command queue's only entry; true when queued (see the filter rules).
    bool PostCommand(std::uint16_t id, bool atHead = false);
    void RemoveCommand(std::uint16_t id);
    bool IsCommandQueued(std::uint16_t id) const;
    void ClearQueue();
    std::deque<std::uint16_t> QueueSnapshot() const;

    // Starts the thread with the first command (UserDmRestart uses 0x8007).
    // A thread that already ended is joined first; false while one runs.
    bool Start(std::uint16_t firstCommand);
    // Joins a finished thread; the thread may also end by itself. Never
    // joins from the worker thread itself.
    void Join();
    bool Running() const;
    bool OnWorkerThread() const { return std::this_thread::get_id() == m_thread.get_id(); }

    // The PIN dialog the worker shows: open, and closing it as cancelled
    // (the stop operation, the device watch); a cancelled dialog ends the
    // worker without ending the program.
    bool PinDialogOpen() const { return m_pinDialogOpen.load(); }
    void CancelPinDialog();

private:
    void Run();
    StepResult Execute(std::uint16_t command);
    std::uint16_t ChooseNext(std::uint16_t current, int errorCount);
    void WaitPass();
    void MessageSoundRise();
    bool Pause(int ms);
    void EndRequested();

    // The start-up sequence and the small commands.
    StepResult PrefRead();
    StepResult GetService();
    void ReadServiceRecord();
    bool ReadInfoVersion();
    StepResult PhonebookInfo();
    StepResult SmsInfo();
    StepResult PcVoiceEnable();
    StepResult StopWork();
    StepResult UiEnable();

    // The card-state machine.
    StepResult CardStatus();
    void NoConnectedCard(const CardStatusRecord& card);
    StepResult CardLock(const CardStatusRecord& card);
    StepResult PinDialog(std::uint8_t mode, std::uint16_t next);
    StepResult CardVerify(std::uint16_t command);
    void RepeatCardCheck();

    // The ending paths.
    StepResult EndWork();
    StepResult DeviceNull();
    void CommunicationLoss();
    void QuietDown();

    int Transact(const std::uint8_t* request, std::size_t length, std::uint32_t timeoutMs, std::uint8_t* response,
                 std::size_t& answerLength);

    CEngine& m_engine;
    mutable std::mutex m_queueMutex;
    std::deque<std::uint16_t> m_queue;
    std::thread m_thread;
    std::atomic<bool> m_finished{true};

    // Set by end requests (and by any post while the card check is slow):
    // the pass's wait ends early.
    CEvent m_wake{CEvent::Reset::Manual};
    std::atomic<bool> m_slowCardPoll{false};
    int m_cardRepeats = 0;

    // The card-status read an end request cancels.
    std::mutex m_longReadMutex;
    bool m_inLongRead = false;

    std::atomic<bool> m_pinDialogOpen{false};
    std::atomic<bool> m_pinCancelled{false};
};

}  // namespace brivex
