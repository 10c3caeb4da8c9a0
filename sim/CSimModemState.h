#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace brivex::sim {

// Everything the simulated modem knows, as plain values. The answer encoder
// reads these records; the request handler and the control commands change
// them. All access goes through the simulator's one lock.
struct CSimModemState {
    // The call-state codes of the status record.
    static constexpr std::uint8_t kCallInit = 0x81;
    static constexpr std::uint8_t kCallIdle = 0x82;
    static constexpr std::uint8_t kCallRinging = 0x85;
    static constexpr std::uint8_t kCallConversation = 0x86;
    static constexpr std::uint8_t kCallRelease = 0x87;
    static constexpr std::uint8_t kCallOrigination = 0x89;
    // Values of the status record's incoming-call indicator.
    static constexpr std::uint8_t kIndNone = 0;
    static constexpr std::uint8_t kIndRinging = 1;
    static constexpr std::uint8_t kIndGaveUp = 2;
    static constexpr std::uint8_t kIndEnded = 3;
    static constexpr std::uint8_t kIndOrigination = 4;
    // SMS storages and tags.
    static constexpr std::uint32_t kSmsMemory = 6;
    static constexpr std::uint32_t kSmsCard = 5;
    static constexpr std::uint32_t kTagUnread = 2;
    static constexpr std::uint32_t kTagRead = 1;
    static constexpr std::uint32_t kNoVoiceMailSlot = 0xFFFFFFFF;
    // Phonebook storage bytes.
    static constexpr std::uint8_t kPbCard = 1;
    static constexpr std::uint8_t kPbMemory = 9;
    static constexpr int kPinAttempts = 3;
    static constexpr int kUnblockAttempts = 10;

    struct Identity {
        std::string buildDate = "Mar 14 2008";  // 11 characters
        std::string swVersion = "BRX1.2.0";     // 8 characters
        std::uint16_t hwVersion = 0x1A0B;
        std::uint32_t esn = 0x9E3C6502;
        std::uint32_t min1 = 0;  // see CSimAnswerEncoder::EncodeMin1
        std::uint16_t min2 = 0;
        std::string ownNumber = "5551234567";  // NV 215 digits
    };
    struct Nv {
        std::uint16_t prefMode = 1;  // NV 10
        std::uint8_t hybrid = 1;     // NV 562
    };
    struct Service {
        std::uint8_t serviceMode = 0x01;  // bit 7: long status layout
        std::uint8_t indicator = 0;
        std::uint8_t asciiLimit = 160;
        std::uint8_t unicodeLimit = 70;
        std::uint8_t callbackLimit = 32;
        std::uint8_t voiceVolume = 3;
        std::uint8_t ringVolume = 4;
    };
    struct Status {
        std::uint8_t systemMode = 2;
        std::uint8_t hybrid = 1;
        std::uint16_t rfMode = 0;
        std::uint8_t callState = kCallIdle;
        std::uint8_t serviceOption = 0;
        std::uint16_t channel = 283;
        std::uint8_t bandClass = 0;
        std::uint32_t signal1x = 25;
        std::uint32_t signalEvdo = 30;
        std::uint8_t dataSystemMode = 2;
        std::uint8_t incomingIndicator = kIndNone;
        std::uint16_t newMessages = 0;
        std::uint8_t roaming = 0;
        std::uint8_t storageFull = 0;
        std::uint8_t serviceState = 1;
        std::uint8_t alert = 0;
    };
    struct Battery {
        std::uint16_t chargeState = 0;
        std::uint16_t value = 3900;
        std::array<std::uint16_t, 5> thresholds{3400, 3550, 3650, 3750, 3850};
    };
    struct VersionInfo {
        std::uint16_t major = 3;
        std::uint16_t minor = 4;
        std::uint16_t feature = 0x0001;
    };
    struct DataRates {
        std::uint16_t rate1x = 153;
        std::array<std::uint8_t, 8> evdo{0x12, 0x34, 0x21, 0x00, 0x00, 0x00, 0x00, 0x00};
    };
    struct CallerId {
        std::uint8_t presentation = 0;  // 1 restricted, 2 unavailable, else present
        std::string number;             // at most 63 characters
        std::string secondNumber;       // 31 bytes
        std::string redirectingNumber;  // 31 bytes
        std::uint8_t callWaiting = 0;   // [203]
        std::string redirectingName;    // 31 bytes
        std::uint8_t callWaiting2 = 0;  // [268]
        std::uint8_t redirection = 0;   // [269]
    };
    struct SmsMessage {
        std::uint32_t slot = 0;
        std::uint32_t tag = kTagUnread;
        std::uint32_t teleservice = 4098;
        std::uint32_t timeStamp = 0;  // seconds since 1980-01-06
        std::uint8_t encoding = 2;
        std::uint8_t language = 1;
        std::uint8_t voiceMailCount = 0;
        std::string address;
        std::string callback;
        std::vector<std::uint8_t> text;  // at most 229 bytes
    };
    struct SmsStore {
        bool initialised = true;
        std::uint8_t maxSlots = 50;
        std::uint32_t voiceMailSlot = kNoVoiceMailSlot;
        std::map<std::uint32_t, std::vector<SmsMessage>> storages;  // by storage code, ordered by slot
        std::vector<SmsMessage> sent;                               // what the program sent
    };
    struct PbEntry {
        std::uint32_t index = 0;
        std::string number;              // at most 32 digits
        std::vector<std::uint8_t> name;  // raw card-alphabet bytes, at most 65
    };
    struct PbStorage {
        std::uint16_t capacity = 250;
        std::uint16_t maxNameLength = 16;
        std::vector<PbEntry> entries;  // ordered by index
        std::size_t cursor = 0;        // where the next read block starts
    };
    struct Card {
        std::uint8_t connected = 1;
        std::uint8_t cardState = 2;  // valid card
        std::uint8_t lockState = 1;  // PIN disabled
        int pinRetries = kPinAttempts;
        int unblockRetries = kUnblockAttempts;
        std::string pin = "5960";
        std::string unblockCode = "12345678";
    };
    struct Call {
        // Status reads left before a passing state settles: release 0x87
        // becomes idle, origination 0x89 becomes conversation, and the
        // incoming-call indicator goes back to 0.
        int settleReads = 0;
        bool waiting = false;    // a second call is announced during a call
        std::string dialled;     // last origination
        std::vector<std::uint8_t> keys;  // every key press, in order
    };

    Identity identity;
    Nv nv;
    Service service;
    Status status;
    Battery battery;
    std::string banner = "CORVANA";
    VersionInfo version;
    DataRates dataRates;
    CallerId callerId;
    SmsStore sms;
    std::map<std::uint8_t, PbStorage> phonebook{{kPbCard, PbStorage{}}, {kPbMemory, PbStorage{}}};
    Card card;
    Call call;
    bool pcVoice = false;

    bool LongLayout() const { return (service.serviceMode & 0x80) != 0; }
    // The unread messages in modem memory: the status record's new-message count.
    std::uint16_t UnreadInMemory() const;
    std::vector<SmsMessage>& SmsIn(std::uint32_t storage) { return sms.storages[storage]; }
    SmsMessage* FindSms(std::uint32_t storage, std::uint32_t slot);
    // Puts a message into its slot (replacing what was there), keeping slot order.
    void StoreSms(std::uint32_t storage, const SmsMessage& message);
    bool DeleteSms(std::uint32_t storage, std::uint32_t slot);
    PbStorage* Phonebook(std::uint8_t storage);
};

}  // namespace brivex::sim
