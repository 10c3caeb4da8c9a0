#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace brivex {

class CWindowSeam;
struct CEngineState;

// What the call commands and the status poll share about the call display:
// the status lines, the pending status text, the call slots and a few tests
// on the call state. Never called with the state's mutex held.
class CCallDisplay {
public:
    static constexpr std::uint16_t kNoCall = 0xFFF0;
    static constexpr std::uint16_t kIncoming = 2;
    static constexpr std::uint16_t kOutgoing = 3;

    // Call flags.
    static constexpr std::uint8_t kConversation = 0x01;
    static constexpr std::uint8_t kAnswerTimer = 0x02;
    static constexpr std::uint8_t kMissed = 0x04;
    static constexpr std::uint8_t kOriginationShown = 0x08;
    static constexpr std::uint8_t kSecondCall = 0x10;

    // Message flags of the two phonebook-ready marks.
    static constexpr std::uint8_t kPhonebooksReady = 0x0C;

    // Call types of the end-of-call message (1529 wParam 4).
    static constexpr int kTypeOutgoing = 1;
    static constexpr int kTypeIncoming = 2;
    static constexpr int kTypeMissed = 3;
    static constexpr std::intptr_t kDisplayOnly = 0xFFFF;

    static bool IsEmergency(std::string_view number);
    static bool CallMarked(std::uint16_t callStateWord) { return callStateWord == kIncoming || callStateWord == kOutgoing; }
    static bool PhonebooksReady(const CEngineState& state);
    static bool ShowsMissedCall(CWindowSeam& window);

    // Status line 1 with a call status; it is also kept as the pending status
    // text that timer 101 puts back.
    static void SetMainText(CWindowSeam& window, CEngineState& state, const std::string& text);
    static void ClearStatusTexts(CWindowSeam& window, CEngineState& state);
    static void ClearLowerLines(CWindowSeam& window);

    // Gives the next announced call its slot and counts it (0..2); at two
    // calls the shown slot goes back to the first.
    static void TakeSlot(CEngineState& state, const std::string& number, const std::string& name);

    // Volume display outside a call: indicator 4 = ring volume, "+ Ring"/"- Ring".
    static void ShowRingVolume(CWindowSeam& window, const CEngineState& state);

    // Looks a number up in the phonebook through the main window (1535); the name or empty.
    static std::string LookUpName(CWindowSeam& window, const std::string& number);

    // The network banner may take status line 2: no call is marked or up and
    // status line 1 is not a missed-call notice.
    static bool BannerMayShow(std::uint16_t callStateWord, std::uint8_t lastCallState, std::string_view mainText);
};

}  // namespace brivex
