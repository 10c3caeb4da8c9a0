#pragma once

#include "link/CCommPort.h"
#include "modem/CCallCommands.h"
#include "modem/CDmControl.h"
#include "modem/CEngineState.h"
#include "modem/CModemOps.h"
#include "modem/CModemWorker.h"
#include "modem/CStatusPoll.h"
#include "modem/CWindowHandlers.h"

namespace brivex {

class CWindowSeam;
class CDaoPbookDb;

// The modem command engine as one object the main window owns: the shared
// state, both serial ports, the worker and its commands, the operations and
// the restart. Its parts reach each other through it; nothing is global.
class CEngine {
public:
    explicit CEngine(CWindowSeam& window);
    ~CEngine();
    CEngine(const CEngine&) = delete;
    CEngine& operator=(const CEngine&) = delete;

    CWindowSeam& Window() { return m_window; }
    CEngineState& State() { return m_state; }
    CCommPort& DiagPort() { return m_diagPort; }
    CCommPort& VoicePort() { return m_voicePort; }
    CModemWorker& Worker() { return m_worker; }
    CModemOps& Ops() { return m_ops; }
    CStatusPoll& Poll() { return m_poll; }
    CCallCommands& Calls() { return m_calls; }
    CDmControl& Control() { return m_control; }
    // The main window's handlers of the engine's messages and timers.
    CWindowHandlers& Handlers() { return m_handlers; }

    // Baud rate of both ports, read from [baudrate] num at start-up.
    std::uint32_t BaudRate() const { return m_baudRate; }
    // The phonebook mirror the phonebook read fills (owned by the application).
    void SetPhonebookStore(CDaoPbookDb* store) { m_pbook = store; }
    CDaoPbookDb* PhonebookStore() const { return m_pbook; }
    void SetBaudRate(std::uint32_t baud) { m_baudRate = baud; }

private:
    CWindowSeam& m_window;
    CEngineState m_state;
    CCommPort m_diagPort;
    CCommPort m_voicePort;
    CModemOps m_ops;
    CStatusPoll m_poll;
    CCallCommands m_calls;
    CDmControl m_control;
    CWindowHandlers m_handlers;
    CModemWorker m_worker;  // last: its thread uses the others
    std::uint32_t m_baudRate = 115200;
    CDaoPbookDb* m_pbook = nullptr;
};

}  // namespace brivex
