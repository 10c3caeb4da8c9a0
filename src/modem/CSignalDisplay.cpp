#include "modem/CSignalDisplay.h"

#include "modem/DiagCommands.h"

namespace brivex {

namespace {

constexpr int kService = 1042;
constexpr int kStatusCode = 1;
constexpr int kCall = 1044;
constexpr int kSms = 1043;
constexpr int kSignal1x = 1041;
constexpr int kSignalEvdo = 3;

using Kind = CSignalDisplay::Update::Kind;

void Set(CSignalDisplay::Result& out, int id, std::int32_t value)
{
    out.updates.push_back({Kind::Indicator, id, value});
}

void SetService(CSignalDisplay::Result& out, std::uint8_t value)
{
    Set(out, kService, value);
    out.serviceState = value;
}

}  // namespace

void CSignalDisplay::ShowSignal(Result& out, const StatusRecord& status, int id)
{
    const std::uint32_t raw = id == kSignalEvdo ? status.signalEvdo : status.signal1x;
    if (status.layout == StatusLayout::Long)
        out.updates.push_back({Kind::LongSignal, id, static_cast<std::int32_t>(raw)});
    else
        Set(out, id, static_cast<std::uint8_t>(raw));
}

void CSignalDisplay::Alternate(Result& out, const StatusRecord& status, std::uint8_t toggle)
{
    std::uint8_t count = toggle & kToggleCount;
    std::uint8_t select = toggle & kToggleSelect;
    if (count >= kAlternationPasses) {
        // The other value's turn: its indicator redraws from its last level first.
        select ^= kToggleSelect;
        count = 1;
        Set(out, select != 0 ? kSignal1x : kSignalEvdo, kRedraw);
    } else {
        ++count;
        ShowSignal(out, status, select != 0 ? kSignal1x : kSignalEvdo);
    }
    out.signalToggle = static_cast<std::uint8_t>(select | count);
}

CSignalDisplay::Result CSignalDisplay::Evaluate(const StatusRecord& status, std::uint8_t noCardCounter,
                                                std::uint8_t signalToggle)
{
    Result out;
    out.signalToggle = signalToggle;
    const bool noCard = noCardCounter == kNoCardLimit;
    const bool hybrid = status.hybridInEffect != 0;
    switch (status.systemMode) {
    case SYS_MODE_NO_SERVICE:
        if (noCard) {
            SetService(out, 3);
            Set(out, kStatusCode, 2);
            Set(out, kCall, 1);
        } else if (noCardCounter < kNoCardLimit) {
            ShowSignal(out, status, kSignal1x);
        }
        break;
    case SYS_MODE_CDMA_1X:
        SetService(out, hybrid ? 1 : 2);
        if (noCard) {
            Set(out, kCall, 1);
            Set(out, kStatusCode, 0);
        } else {
            Set(out, kStatusCode, 2);
        }
        if (hybrid)
            Alternate(out, status, signalToggle);
        else
            ShowSignal(out, status, kSignal1x);
        break;
    case SYS_MODE_EVDO:
        SetService(out, 4);
        out.evdoService = true;
        Set(out, kStatusCode, noCard ? 0 : 2);
        ShowSignal(out, status, kSignalEvdo);
        Set(out, kSms, 0);
        break;
    default:
        SetService(out, 3);
        Set(out, kStatusCode, 2);
        break;
    }
    return out;
}

bool CSignalDisplay::WeakSignal(const StatusRecord& status, const Thresholds& limits)
{
    // The long layout carries signed values; the short one bytes.
    const auto value = [&](std::uint32_t raw) -> std::int64_t {
        return status.layout == StatusLayout::Long ? static_cast<std::int32_t>(raw) : static_cast<std::int64_t>(raw);
    };
    const std::int64_t oneX = value(status.signal1x);
    const std::int64_t evdo = value(status.signalEvdo);
    if (status.hybridInEffect != 0)
        return oneX < limits.oneOne && evdo < limits.oneEvdo;
    if (status.systemMode == SYS_MODE_CDMA_1X)
        return oneX < limits.one;
    if (status.systemMode == SYS_MODE_EVDO)
        return evdo < limits.evdo;
    return false;
}

}  // namespace brivex
