#include "modem/CCallDisplay.h"

#include "modem/CEngineState.h"
#include "modem/CWindowSeam.h"
#include "modem/WorkerCommands.h"

#include <array>
#include <mutex>

namespace brivex {

namespace {
constexpr std::string_view kMissedCallText = "Missed call";
constexpr std::uint8_t kCallUpAbove = 130;
}  // namespace

bool CCallDisplay::IsEmergency(std::string_view number)
{
    static constexpr std::array<std::string_view, 4> kNumbers{"911", "100", "101", "102"};
    for (const std::string_view n : kNumbers)
        if (number == n)
            return true;
    return false;
}

bool CCallDisplay::PhonebooksReady(const CEngineState& state)
{
    return (state.messageFlags.load() & kPhonebooksReady) == kPhonebooksReady;
}

bool CCallDisplay::ShowsMissedCall(CWindowSeam& window)
{
    return window.StatusText(1).find(kMissedCallText) != std::string::npos;
}

void CCallDisplay::SetMainText(CWindowSeam& window, CEngineState& state, const std::string& text)
{
    {
        std::lock_guard lock(state.mutex);
        state.pendingStatusText = text;
    }
    window.SetStatusText(1, text);
}

void CCallDisplay::ClearStatusTexts(CWindowSeam& window, CEngineState& state)
{
    SetMainText(window, state, {});
    ClearLowerLines(window);
}

void CCallDisplay::ClearLowerLines(CWindowSeam& window)
{
    window.SetStatusText(2, {});
    window.SetStatusText(3, {});
}

void CCallDisplay::TakeSlot(CEngineState& state, const std::string& number, const std::string& name)
{
    std::lock_guard lock(state.mutex);
    const int slot = state.slotIndex >= 1 ? 1 : 0;
    state.callSlots[static_cast<std::size_t>(slot)] = {number, name};
    if (state.slotIndex < 2)
        ++state.slotIndex;
    if (state.slotIndex == 2)
        state.shownSlot = 0;
    // Two announced calls are the call-waiting notice the keypad view reacts to.
    state.noticeState = state.slotIndex == 2 ? 2 : 1;
}

void CCallDisplay::ShowRingVolume(CWindowSeam& window, const CEngineState& state)
{
    window.SetIndicator(4, state.ringVolume.load());
    window.SetVolumeLabels("+ Ring", "- Ring");
}

std::string CCallDisplay::LookUpName(CWindowSeam& window, const std::string& number)
{
    std::string text = number;
    window.Send(CWindowSeam::Target::MainWindow, WM_LOOKUP_NAME, 0, reinterpret_cast<std::intptr_t>(&text));
    return text;
}

bool CCallDisplay::BannerMayShow(std::uint16_t callStateWord, std::uint8_t lastCallState, std::string_view mainText)
{
    return !CallMarked(callStateWord) && lastCallState <= kCallUpAbove &&
           mainText.find(kMissedCallText) == std::string_view::npos;
}

}  // namespace brivex
