#include "CSimDiagHandler.h"

#include "CSimAnswerEncoder.h"

#include <algorithm>
#include <ctime>

namespace brivex::sim {

namespace {

using E = CSimAnswerEncoder;
using S = CSimModemState;

constexpr std::size_t kMaxKeptKeys = 256;
constexpr std::size_t kMaxKeptSent = 64;

std::uint16_t Get16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Get32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// A text field of the request: at most the stated length, the field width and
// what arrived.
std::string Field(const std::uint8_t* request, std::size_t length, std::size_t at, std::size_t width,
                  std::size_t stated)
{
    if (at >= length)
        return {};
    const std::size_t n = std::min({stated, width, length - at});
    return std::string(reinterpret_cast<const char*>(request + at), n);
}

// A packed code: ASCII digits, the places after the last one 0xFF.
std::string UnpackCode(const std::uint8_t* field)
{
    std::string code;
    for (int i = 0; i < 8 && field[i] != 0xFF && field[i] != 0; ++i)
        code.push_back(static_cast<char>(field[i]));
    return code;
}

bool CardUsable(const S::Card& card)
{
    return card.connected != 0 && (card.cardState == 2 || card.cardState == 3);
}

std::uint8_t Clamp8(int value)
{
    return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

}  // namespace

std::optional<CSimDiagHandler::Bytes> CSimDiagHandler::Handle(const std::uint8_t* request, std::size_t length,
                                                              CSimModemState& state, std::string& note)
{
    if (length == 0) {
        note = "empty request";
        return std::nullopt;
    }
    switch (request[0]) {
    case 0x00:
        return E::Version(state.identity);
    case 0x0C:
        return E::DiagStatus(state.identity);
    case 0x20:
        if (length < 3)
            break;
        return KeyPress(request, length, state);
    case 0x35:
        if (length < 2)
            break;
        return Originate(request, length, state);
    case 0xCF:
    case 0xD0:
    case 0xD1:
    case 0xD2:
    case 0xD5: {
        if (length < 3)
            break;
        std::optional<Bytes> answer;
        switch (request[0]) {
        case 0xCF: answer = General(request, length, state, note); break;
        case 0xD0: answer = Sms(request, length, state, note); break;
        case 0xD1: answer = Phonebook(request, length, state, note); break;
        case 0xD2: answer = Card(request, length, state, note); break;
        default: answer = NvRelay(request, length, state, note); break;
        }
        if (!answer && note.empty())
            note = "unknown sub-command";
        return answer;
    }
    default:
        note = "unknown command";
        return std::nullopt;
    }
    note = "request too short";
    return std::nullopt;
}

std::optional<CSimDiagHandler::Bytes> CSimDiagHandler::General(const std::uint8_t* request, std::size_t length,
                                                               CSimModemState& state, std::string& note)
{
    const std::uint16_t sub = Get16(request + 1);
    switch (sub) {
    case 0: return E::Service(state.service);
    case 1: return StatusRecord(state);
    case 2: return E::CallerId(state.callerId);
    case 4:
        if (length < 7)
            break;
        state.nv.prefMode = Get16(request + 3);
        state.nv.hybrid = static_cast<std::uint8_t>(Get16(request + 5));
        state.status.hybrid = state.nv.hybrid;
        return E::VendorResult(0xCF, sub, 0);
    case 5: return E::DataRate1x(state.dataRates.rate1x);
    case 7: return E::DataRateEvdo(state.dataRates.evdo);
    case 10: return E::InfoVersion(state.version);
    case 11: return E::Battery(state.battery);
    case 17: return E::Banner(state.banner);
    case 22:
        if (length < 4)
            break;
        state.pcVoice = request[3] != 0;
        return E::VendorResult(0xCF, sub, 0);
    default:
        return std::nullopt;
    }
    note = "request too short";
    return std::nullopt;
}

CSimDiagHandler::Bytes CSimDiagHandler::StatusRecord(CSimModemState& state)
{
    state.status.newMessages = state.UnreadInMemory();
    Bytes answer = E::Status(state.status, state.LongLayout());
    // A passing state is seen by the read that follows its change, then settles.
    if (state.call.settleReads > 0 && --state.call.settleReads == 0) {
        if (state.status.callState == S::kCallRelease)
            state.status.callState = S::kCallIdle;
        else if (state.status.callState == S::kCallOrigination)
            state.status.callState = S::kCallConversation;
        state.status.incomingIndicator = S::kIndNone;
    }
    return answer;
}

void CSimDiagHandler::IncomingCall(CSimModemState& state, const CSimModemState::CallerId& caller)
{
    state.callerId = caller;
    state.status.incomingIndicator = S::kIndRinging;
    state.call.settleReads = 0;
    if (state.status.callState == S::kCallConversation) {
        state.call.waiting = true;
        state.callerId.callWaiting = 1;
        state.callerId.callWaiting2 = 1;
    } else {
        state.status.callState = S::kCallRinging;
    }
}

void CSimDiagHandler::CallerGaveUp(CSimModemState& state)
{
    if (state.status.callState == S::kCallRinging)
        state.status.callState = S::kCallRelease;
    else if (!state.call.waiting)
        return;
    state.call.waiting = false;
    state.status.incomingIndicator = S::kIndGaveUp;
    state.call.settleReads = 1;
}

void CSimDiagHandler::ReleaseCall(CSimModemState& state)
{
    state.status.callState = S::kCallRelease;
    state.status.incomingIndicator = S::kIndEnded;
    state.call.waiting = false;
    state.call.settleReads = 1;
}

CSimDiagHandler::Bytes CSimDiagHandler::KeyPress(const std::uint8_t* request, std::size_t length, CSimModemState& state)
{
    const std::uint8_t key = request[2];
    if (state.call.keys.size() >= kMaxKeptKeys)
        state.call.keys.erase(state.call.keys.begin());
    state.call.keys.push_back(key);
    const std::uint8_t code = state.status.callState;
    if (key == kKeySend) {
        if (code == S::kCallRinging) {
            state.status.callState = S::kCallConversation;
            state.status.incomingIndicator = S::kIndNone;
        } else if (code == S::kCallConversation && state.call.waiting) {
            // SEND during a call takes the waiting call (the calls swap).
            state.call.waiting = false;
            state.status.incomingIndicator = S::kIndNone;
        }
    } else if (key == kKeyEnd) {
        if (code == S::kCallRinging || code == S::kCallConversation || code == S::kCallOrigination ||
            code == 0x83 || code == 0x84)
            ReleaseCall(state);
    }
    return E::Echo(request, length);
}

CSimDiagHandler::Bytes CSimDiagHandler::Originate(const std::uint8_t* request, std::size_t length,
                                                  CSimModemState& state)
{
    const std::string digits = Field(request, length, 2, 32, request[1]);
    state.call.dialled = digits;
    const std::uint8_t code = state.status.callState;
    if (code != S::kCallConversation && code != S::kCallRinging && code != S::kCallOrigination) {
        state.callerId = CSimModemState::CallerId{};
        state.callerId.number = digits;
        state.status.callState = S::kCallOrigination;
        state.status.incomingIndicator = S::kIndOrigination;
        state.call.settleReads = 1;
    }
    return E::Echo(request, length);
}

std::optional<CSimDiagHandler::Bytes> CSimDiagHandler::Sms(const std::uint8_t* request, std::size_t length,
                                                           CSimModemState& state, std::string& note)
{
    const std::uint16_t sub = Get16(request + 1);
    switch (sub) {
    case 0:
        if (length < 81)
            break;
        return SmsSend(request, length, state);
    case 2: {
        if (length < 11)
            break;
        const bool gone = state.DeleteSms(Get32(request + 7), Get32(request + 3));
        return E::VendorResult(0xD0, sub, gone ? 0 : kRefused);
    }
    case 4: {
        if (length < 7)
            break;
        const std::uint32_t storage = Get32(request + 3);
        std::vector<E::SmsListEntry> entries;
        for (const auto& m : state.SmsIn(storage))
            entries.push_back({m.slot, m.tag});
        const bool vmHere = storage == S::kSmsMemory && state.sms.voiceMailSlot != S::kNoVoiceMailSlot;
        const S::SmsMessage* vm = vmHere ? state.FindSms(storage, state.sms.voiceMailSlot) : nullptr;
        const std::uint32_t active = vm && vm->voiceMailCount > 0 ? 1 : 0;
        return E::SmsList(storage, vmHere ? state.sms.voiceMailSlot : S::kNoVoiceMailSlot, active, entries);
    }
    case 6: {
        if (length < 11)
            break;
        S::SmsMessage* message = state.FindSms(Get32(request + 7), Get32(request + 3));
        if (!message)
            return E::VendorResult(0xD0, sub, kRefused);
        Bytes answer = E::SmsMessage(*message);
        if (message->tag == S::kTagUnread)
            message->tag = S::kTagRead;
        return answer;
    }
    case 8:
        return E::SmsInfo(state.sms.initialised, state.sms.maxSlots);
    default:
        return std::nullopt;
    }
    note = "request too short";
    return std::nullopt;
}

CSimDiagHandler::Bytes CSimDiagHandler::SmsSend(const std::uint8_t* request, std::size_t length,
                                                CSimModemState& state)
{
    if (state.status.systemMode == 0)
        return E::VendorResult(0xD0, 0, kRefused);
    S::SmsMessage sent;
    sent.encoding = request[3];
    sent.callback = Field(request, length, 9, 36, request[5]);
    sent.address = Field(request, length, 45, 36, request[6]);
    const std::string text = Field(request, length, 81, E::kSmsTextBytes, Get16(request + 7));
    sent.text.assign(text.begin(), text.end());
    sent.timeStamp = static_cast<std::uint32_t>(std::time(nullptr) - 315964800);
    if (state.sms.sent.size() >= kMaxKeptSent)
        state.sms.sent.erase(state.sms.sent.begin());
    state.sms.sent.push_back(sent);
    return E::VendorResult(0xD0, 0, 0);
}

std::optional<CSimDiagHandler::Bytes> CSimDiagHandler::Phonebook(const std::uint8_t* request, std::size_t length,
                                                                 CSimModemState& state, std::string& note)
{
    const std::uint16_t sub = Get16(request + 1);
    switch (sub) {
    case 0: {
        if (length < 4)
            break;
        S::PbStorage* book = state.Phonebook(request[3]);
        if (!book)
            return E::VendorResult(0xD1, sub, kRefused);
        book->cursor = 0;
        return E::PbInfo(book->capacity, static_cast<std::uint16_t>(book->entries.size()), book->maxNameLength);
    }
    case 1:
        if (length < 42)
            break;
        return PbWrite(request, length, state);
    case 2:
        if (length < 6)
            break;
        return PbRead(request, state);
    case 3: {
        if (length < 8)
            break;
        S::PbStorage* book = state.Phonebook(request[3]);
        const std::uint32_t index = Get32(request + 4);
        if (!book)
            return E::VendorResult(0xD1, sub, kRefused);
        const auto it = std::find_if(book->entries.begin(), book->entries.end(),
                                     [index](const S::PbEntry& e) { return e.index == index; });
        if (it == book->entries.end())
            return E::VendorResult(0xD1, sub, kRefused);
        book->entries.erase(it);
        return E::VendorResult(0xD1, sub, 0);
    }
    default:
        return std::nullopt;
    }
    note = "request too short";
    return std::nullopt;
}

CSimDiagHandler::Bytes CSimDiagHandler::PbRead(const std::uint8_t* request, CSimModemState& state)
{
    const std::uint8_t storage = Get16(request + 3) == 0xFF01 ? S::kPbCard : S::kPbMemory;
    S::PbStorage* found = state.Phonebook(storage);
    if (!found)
        return E::VendorResult(0xD1, 2, kRefused);
    S::PbStorage& book = *found;
    const std::size_t wanted = std::min<std::size_t>(request[5], E::kPbReadMaxRecords);
    if (book.cursor >= book.entries.size())
        book.cursor = 0;
    const std::size_t n = std::min(wanted, book.entries.size() - book.cursor);
    const auto from = book.entries.begin() + static_cast<std::ptrdiff_t>(book.cursor);
    std::vector<S::PbEntry> records(from, from + static_cast<std::ptrdiff_t>(n));
    book.cursor += n;
    return E::PbRead(records);
}

CSimDiagHandler::Bytes CSimDiagHandler::PbWrite(const std::uint8_t* request, std::size_t length,
                                                CSimModemState& state)
{
    S::PbStorage* book = state.Phonebook(request[3]);
    if (!book)
        return E::VendorResult(0xD1, 1, kRefused);
    S::PbEntry entry;
    entry.index = Get32(request + 4);
    entry.number = Field(request, length, 9, 32, request[8]);
    const std::string name = Field(request, length, 42, 65, request[41]);
    entry.name.assign(name.begin(), name.end());
    auto it = std::find_if(book->entries.begin(), book->entries.end(),
                           [&](const S::PbEntry& e) { return e.index >= entry.index; });
    if (it != book->entries.end() && it->index == entry.index) {
        *it = entry;
    } else {
        if (book->entries.size() >= book->capacity)
            return E::VendorResult(0xD1, 1, kRefused);
        book->entries.insert(it, entry);
    }
    return E::VendorResult(0xD1, 1, 0);
}

std::optional<CSimDiagHandler::Bytes> CSimDiagHandler::Card(const std::uint8_t* request, std::size_t length,
                                                            CSimModemState& state, std::string& note)
{
    const std::uint16_t sub = Get16(request + 1);
    switch (sub) {
    case 0:
        return E::CardStatus(state.card);
    case 1:
        if (length < 11)
            break;
        return Verify(request, state);
    case 5:
        if (length < 19)
            break;
        return Unblock(request, state);
    default:
        return std::nullopt;
    }
    note = "request too short";
    return std::nullopt;
}

CSimDiagHandler::Bytes CSimDiagHandler::Verify(const std::uint8_t* request, CSimModemState& state)
{
    S::Card& card = state.card;
    if (!CardUsable(card) || card.lockState == 5)
        return E::ChvResult(1, 0x98, 0x08, 0, card.lockState);
    if (card.lockState == 4 || card.pinRetries <= 0)
        return E::ChvResult(1, 0x98, 0x40, 0, card.lockState);
    if (UnpackCode(request + 3) == card.pin) {
        card.pinRetries = S::kPinAttempts;
        if (card.lockState == 2 || card.lockState == 6)
            card.lockState = 3;
        return E::ChvResult(1, 0x90, 0x00, Clamp8(card.pinRetries), card.lockState);
    }
    if (--card.pinRetries > 0)
        return E::ChvResult(1, 0x98, 0x04, Clamp8(card.pinRetries), card.lockState);
    card.lockState = 4;
    return E::ChvResult(1, 0x98, 0x40, 0, card.lockState);
}

CSimDiagHandler::Bytes CSimDiagHandler::Unblock(const std::uint8_t* request, CSimModemState& state)
{
    S::Card& card = state.card;
    if (!CardUsable(card) || card.lockState == 5)
        return E::ChvResult(5, 0x98, 0x08, 0, card.lockState);
    if (card.unblockRetries <= 0)
        return E::ChvResult(5, 0x98, 0x40, 0, card.lockState);
    if (UnpackCode(request + 3) == card.unblockCode) {
        card.pin = UnpackCode(request + 11);
        card.pinRetries = S::kPinAttempts;
        card.unblockRetries = S::kUnblockAttempts;
        if (card.lockState != 1)
            card.lockState = 3;
        return E::ChvResult(5, 0x90, 0x00, Clamp8(card.unblockRetries), card.lockState);
    }
    if (--card.unblockRetries > 0)
        return E::ChvResult(5, 0x98, 0x04, Clamp8(card.unblockRetries), card.lockState);
    return E::ChvResult(5, 0x98, 0x40, 0, card.lockState);
}

std::optional<CSimDiagHandler::Bytes> CSimDiagHandler::NvRelay(const std::uint8_t* request, std::size_t length,
                                                               CSimModemState& state, std::string& note)
{
    if (Get16(request + 1) != E::kNvRelaySub)
        return std::nullopt;
    if (length < 5) {
        note = "request too short";
        return std::nullopt;
    }
    switch (Get16(request + 3)) {
    case 10: return E::NvPrefMode(state.nv.prefMode);
    case 562: return E::NvHybrid(state.nv.hybrid);
    case 215: return E::NvOwnNumber(state.identity.ownNumber);
    default: return E::VendorResult(0xD5, E::kNvRelaySub, kRefused);
    }
}

}  // namespace brivex::sim
