#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace brivex {

// The state the main window, its views, the modem worker, the modem
// operations and the connection thread share. It lives in the engine, not in
// the windows: the windows read it and the engine's threads write it. Scalars
// are atomics (each write replaces the value whole); texts and lists are
// guarded by `mutex`.
struct CEngineState {
    // --- main window -------------------------------------------------------
    std::atomic<std::uint8_t> activeView{0};        // 0 home, 1 voice view
    std::atomic<std::uint8_t> openDialogKind{0};    // 0 none, 1 settings/traffic/recharge, 4 notice, 5 phonebook, 6 PIN
    std::atomic<std::uintptr_t> openDialogWindow{0};
    std::atomic<std::uint8_t> serviceState{3};      // last value shown by indicator 1042 (1..4)
    std::atomic<std::uint8_t> serviceVariant{0};    // always 0
    std::atomic<std::uint16_t> currentCommand{0xFFF0};
    std::atomic<std::uint8_t> lastCallState{0};     // diagnostic call-state code of the last poll
    std::atomic<std::uint16_t> callStateWord{0xFFF0};  // 0xFFF0 none, 2 incoming, 3 outgoing, 0x7FF3 card checked
    std::atomic<std::uint8_t> callFlags{0};         // 0x01 conversation, 0x02 answer timer, 0x04 missed, 0x08 origination shown, 0x10 second call
    std::atomic<std::uint8_t> messageFlags{0};      // 0x01 list read, 0x02 count changed, 0x04 memory phonebook, 0x08 card phonebook
    std::atomic<bool> phonebookLoaded{false};
    std::atomic<std::uint8_t> connectionState{0};   // the connection thread's state byte
    std::atomic<std::uint8_t> dataRateKind{0};
    std::atomic<int> dtmfMode{0};                   // 1 continuous tones
    std::atomic<std::uint8_t> noticeState{1};       // 2 an incoming-call notice shows, 1 none
    std::atomic<bool> ringing{false};

    // --- modem worker ------------------------------------------------------
    std::atomic<std::uint32_t> waitPeriod{200};
    std::atomic<std::uint8_t> retryCount{0};
    std::atomic<std::uint8_t> noCardCounter{0};
    std::atomic<std::uint8_t> radioFlags{0};        // 0x10 pref 1, 0x20 pref 10, 0x02 hybrid off, 0x01 hybrid on
    std::atomic<std::uint16_t> preferredMode{0};
    std::atomic<std::uint8_t> serviceMode{0};       // bit 7: long status layout
    std::atomic<std::uint16_t> featureWord{0};
    std::atomic<std::uint8_t> voiceVolume{0};
    std::atomic<std::uint8_t> ringVolume{0};
    std::atomic<std::uint32_t> asciiSmsLimit{0};
    std::atomic<std::uint32_t> unicodeSmsLimit{0};
    std::atomic<std::uint8_t> signalToggle{0};      // low 7 bits count polls, bit 7 selects 1x/EV-DO
    std::atomic<std::uint8_t> chargeDisplay{0};     // low 7 bits: last 1128 value; bit 7: weak-signal timer started
    std::atomic<std::uint8_t> batteryFlags{0};
    std::atomic<std::uint16_t> lastNewMessageCount{0};  // last count shown
    std::atomic<std::uint16_t> newMessageCount{0};      // from the last status poll
    std::atomic<std::uint16_t> previousPassCount{0};    // for the message sound's rise
    std::atomic<std::uint8_t> alertFlag{0};
    std::atomic<std::uint8_t> pendingCallEnd{0};    // 1 outgoing, 2 incoming
    std::atomic<bool> pcVoiceRunning{false};
    std::atomic<int> modemType{0};                  // 2 when discovery matched the modem

    // Status record fields the poll keeps.
    std::atomic<std::uint8_t> storageFull{0};
    std::atomic<std::uint8_t> incomingIndicator{0};
    std::atomic<std::uint8_t> roaming{0};
    std::atomic<std::int32_t> signal1x{0};
    std::atomic<std::int32_t> signalEvdo{0};
    std::atomic<std::uint8_t> dataSystemMode{0};

    // Phonebook sizes from the information reads: [0] memory, [1] card.
    std::array<std::atomic<std::uint16_t>, 2> pbMaxRecords{};
    std::array<std::atomic<std::uint16_t>, 2> pbInUse{};
    std::atomic<std::uint16_t> pbMaxNameLength{65};
    std::atomic<std::uint16_t> pbMaxNumberLength{32};

    // --- SMS view ----------------------------------------------------------
    std::atomic<int> smsMemoryCount{0};
    std::atomic<int> smsCardCount{0};
    std::atomic<std::int32_t> voiceMailSlot{-1};
    std::atomic<int> voiceMailCount{0};
    std::atomic<int> smsMaxSlot{0};
    std::atomic<std::uint8_t> smsEncoding{255};
    std::atomic<bool> smsSending{false};
    std::atomic<bool> popupRaised{false};

    // --- call record and call timer -----------------------------------------
    struct CallTimer {
        std::uint8_t hours = 0, minutes = 0, seconds = 0;
        int days = 0;
    };
    struct CallStart {
        std::uint16_t year = 0;
        std::uint8_t month = 0, day = 0, hour = 0, minute = 0, weekday = 0;  // weekday 0 = Monday
    };
    struct CallSlot {
        std::string number;
        std::string name;
    };

    // Everything below is guarded by `mutex`.
    mutable std::mutex mutex;
    CallTimer callTimer;
    CallStart callStart;
    std::string callNumber;          // 32-character buffers in the window
    std::string secondNumber;
    std::string redirectingNumber;
    std::string redirectingName;
    std::array<CallSlot, 2> callSlots;
    int slotIndex = 0;               // calls announced, 0..2
    int shownSlot = 0;
    std::string pendingStatusText;   // put back on status line 1 by timer 101
    bool pendingStatusDue = false;
    std::string networkBanner;

    // Voice view.
    std::string dialNumber;          // the number to dial (digits only, the tones split off)
    std::deque<std::string> keyList;    // key codes as decimal text
    std::deque<std::string> pauseList;  // pause-digit strings
    bool keypadOneShot = false;

    // SMS pop-up.
    std::string popupText;           // UTF-8, decoded from at most 229 bytes by the message's encoding

    // SMS view's send record, read by DM_SMS_SEND (its encoding is smsEncoding).
    std::string smsDestination;          // at most 36 bytes reach the modem
    std::string smsCallback;             // empty for the requests of this system
    std::vector<std::uint8_t> smsText;   // the text's bytes (UTF-16LE units for encoding 4)

    // Clears the call record (flags, timer, start and the four call texts).
    void ClearCallRecord();
};

}  // namespace brivex
