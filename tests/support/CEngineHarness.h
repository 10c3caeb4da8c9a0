#pragma once

#include "CSimModem.h"
#include "app/ProfileKeys.h"
#include "modem/CEngine.h"
#include "store/CDaoPbookDb.h"
#include "store/CDaoSmsDb.h"
#include "store/CDaoVcallDb.h"
#include "support/CFakeWindow.h"
#include "support/EnvGuard.h"
#include "support/TempDir.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace brivex::test {

// The whole engine against the simulated modem, with no window: a simulator
// in a scratch directory (its tree is where the environment points port
// discovery, the profile files and the pid directory), a fresh database
// (store file from the schema, working copy made from it, the three
// recordsets opened as at start-up), a CFakeWindow whose handlers for 1529
// wParam 10, 1535, 1537 and timers 105 and 113 run the engine's own
// CWindowHandlers the way the main window does, and a CEngine on top.
// The debug log records every level while the harness lives.
//
//   CEngineHarness h;                 // the sim runs; the worker does not yet
//   h.Control("card state 2");        // sim control commands ("ok" expected)
//   h.Start();                        // UserDmRestart, on the fake's UI thread
//   ASSERT_TRUE(h.WaitForCommand(DM_GET_INFO));
//   ASSERT_TRUE(h.Fake().WaitFor([](auto& ev) { ... }));
//   h.Stop();                         // the stop operation, on the UI thread
//
// A failing test prints the simulator's exchange log and the debug log.
class CEngineHarness {
public:
    using Event = CFakeWindow::Event;
    using Events = std::vector<Event>;

    struct Options {
        bool autoRetry = true;   // timer 105 fires by itself (after its 100 ms) as the window's would
        bool autoExit = true;    // timer 113 fires by itself and sets DM_HALTED
        sim::CSimDeviceTree::Options tree;
    };

    CEngineHarness();
    explicit CEngineHarness(Options options);
    ~CEngineHarness();
    CEngineHarness(const CEngineHarness&) = delete;
    CEngineHarness& operator=(const CEngineHarness&) = delete;

    CEngine& Engine() { return *m_engine; }
    CEngineState& State() { return m_engine->State(); }
    CFakeWindow& Fake() { return m_fake; }
    sim::CSimModem& Sim() { return *m_sim; }
    CDaoPbookDb& Pbook() { return m_pbook; }
    CDaoSmsDb& Sms() { return m_sms; }
    CDaoVcallDb& Vcall() { return m_vcall; }
    const std::filesystem::path& Dir() const { return m_dir.path(); }
    std::filesystem::path DatabaseDir() const { return m_dir.path() / "db"; }

    // UserDmRestart and the stop operation, run on the fake's UI thread as the window does.
    void Start();
    void Stop();

    // One simulator control command; a failed test when it does not answer "ok".
    std::string Control(const std::string& line);

    // Waits (generously) for a predicate over the fake's recorded events.
    bool WaitFor(const std::function<bool(const Events&)>& pred, int timeoutMs = 15000);
    // Waits for an event of the kind and id (and value a, when given).
    bool WaitForEvent(const std::string& kind, int id, std::optional<std::int64_t> a = {}, int timeoutMs = 15000);
    // Polls a condition (one that no fake event announces, e.g. the wire) until it holds.
    bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 15000);
    // Waits until the worker's current command is the value.
    bool WaitForCommand(std::uint16_t command, int timeoutMs = 15000);
    // Waits until a debug-log line contains the text.
    bool WaitForLog(const std::string& text, int timeoutMs = 15000);
    bool LogContains(const std::string& text) const;

    // Every diagnostic request the simulator received so far, in order (from its exchange log).
    std::vector<std::vector<std::uint8_t>> WireRequests() const;
    // A profile value as the engine reads it (fer_dialer.ini / sysqor.ini in the sim's tree).
    std::string Ini(const ProfileKey& key) const;

    // The last value the fake shows for an indicator (absent when never set).
    std::optional<std::int64_t> Indicator(int id) const;

private:
    void WireHandlers();
    void OpenDatabase();

    Options m_options;
    TempDir m_dir;
    std::unique_ptr<sim::CSimModem> m_sim;
    std::unique_ptr<EnvGuard> m_envSysfs, m_envDev, m_envSys, m_envRun, m_envLog;
    CDaoSmsDb m_sms;
    CDaoPbookDb m_pbook;
    CDaoVcallDb m_vcall;
    CFakeWindow m_fake;
    std::unique_ptr<CEngine> m_engine;
};

}  // namespace brivex::test
