#pragma once

#include "modem/CCallStateHandler.h"
#include "modem/StatusRecord.h"
#include "modem/StepResult.h"

#include <cstdint>
#include <optional>

namespace brivex {

class CEngine;
class CDiagExchange;
struct BatteryRecord;

// The status poll (DM_GET_INFO): battery, network banner and status record,
// and everything they drive (indicators, status texts, call display, new
// messages). Runs on the worker thread whenever its queue is empty.
class CStatusPoll {
public:
    explicit CStatusPoll(CEngine& engine);

    // One poll pass. A failed battery read ends it without counting; a failed
    // banner or status read counts.
    StepResult Run();

    // The status record of a successful read, as the pass applies it
    // (steps after the three reads); exposed for the engine's tests.
    void Apply(const StatusRecord& status);

private:
    bool ReadBattery(CDiagExchange& exchange);
    void ShowBattery(const BatteryRecord& battery);
    bool ReadBanner(CDiagExchange& exchange);
    std::optional<StatusRecord> ReadStatus(CDiagExchange& exchange);

    void KeepFields(const StatusRecord& status);
    void WarnWeakSignal(const StatusRecord& status);
    void ShowService(const StatusRecord& status);
    void ReadDataRates(const StatusRecord& status);
    void StorageNotice(std::uint8_t storageFull);
    void NewMessages(std::uint16_t count);
    bool DeleteSilentVoiceMail();
    void WriteMessageCount(std::uint16_t count);

    CEngine& m_engine;
    CCallStateHandler m_calls;
    std::uint8_t m_lastServiceState = 0;     // service-state byte last shown
    std::uint8_t m_storageFullSeen = 0;      // storage-full flag the notice last saw
    std::optional<std::uint16_t> m_countWritten;  // [SmsC] smscnt as last written
};

}  // namespace brivex
