#include "CSimControl.h"

#include "CSimAnswerEncoder.h"
#include "CSimDiagHandler.h"
#include "CSimHexLog.h"
#include "CSimModem.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace brivex::sim {

namespace {

using S = CSimModemState;

// One command line cut into words; Rest(i) is the text from word i on, as typed.
class Args {
public:
    explicit Args(const std::string& line) : m_line(line)
    {
        std::size_t i = 0;
        while (i < line.size()) {
            while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i])))
                ++i;
            if (i >= line.size())
                break;
            const std::size_t start = i;
            while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i])))
                ++i;
            m_words.push_back(line.substr(start, i - start));
            m_starts.push_back(start);
        }
    }
    std::size_t Size() const { return m_words.size(); }
    const std::string& operator[](std::size_t i) const
    {
        if (i >= m_words.size())
            throw std::invalid_argument("missing argument");
        return m_words[i];
    }
    std::string Rest(std::size_t i) const { return i < m_words.size() ? m_line.substr(m_starts[i]) : std::string(); }

private:
    std::string m_line;
    std::vector<std::string> m_words;
    std::vector<std::size_t> m_starts;
};

// A number in decimal or 0x hex, within the bounds.
unsigned long Number(const std::string& text, unsigned long max)
{
    std::size_t used = 0;
    const unsigned long value = std::stoul(text, &used, 0);
    if (used != text.size() || value > max)
        throw std::invalid_argument("bad number: " + text);
    return value;
}

std::uint8_t Byte(const std::string& text)
{
    return static_cast<std::uint8_t>(Number(text, 0xFF));
}

std::vector<std::uint8_t> HexBytes(const std::string& text)
{
    std::string digits;
    for (char c : text)
        if (!std::isspace(static_cast<unsigned char>(c)))
            digits.push_back(c);
    if (digits.size() % 2 != 0 || digits.size() > 8192)
        throw std::invalid_argument("hex needs pairs of digits");
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < digits.size(); i += 2)
        out.push_back(static_cast<std::uint8_t>(Number("0x" + digits.substr(i, 2), 0xFF)));
    return out;
}

std::uint8_t PbStorage(const std::string& text)
{
    if (text == "card" || text == "1")
        return S::kPbCard;
    if (text == "memory" || text == "9")
        return S::kPbMemory;
    throw std::invalid_argument("phonebook storage is card (1) or memory (9)");
}

// Text as UTF-16 little-endian (the SMS Unicode encoding); ASCII and two-byte UTF-8 only.
std::vector<std::uint8_t> Utf16Le(const std::string& text)
{
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned c = static_cast<unsigned char>(text[i]);
        if ((c & 0xE0) == 0xC0 && i + 1 < text.size())
            c = ((c & 0x1F) << 6) | (static_cast<unsigned char>(text[++i]) & 0x3F);
        out.push_back(static_cast<std::uint8_t>(c));
        out.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return out;
}

std::string Ok(const std::string& what = {})
{
    return what.empty() ? "ok" : "ok " + what;
}

using Handler = std::function<std::string(CSimModem&, const Args&)>;

struct Command {
    const char* name;
    const char* usage;
    Handler run;
};

std::string Sms(CSimModem& modem, const Args& a)
{
    S::SmsMessage m;
    m.slot = static_cast<std::uint32_t>(Number(a[1], 0xFFFFFFFE));
    m.timeStamp = static_cast<std::uint32_t>(std::time(nullptr) - 315964800);
    m.address = "5550100";
    std::uint32_t storage = S::kSmsMemory;
    std::size_t i = 2;
    for (; i < a.Size(); ++i) {
        const std::string& w = a[i];
        const auto eq = w.find('=');
        if (eq == std::string::npos)
            break;
        const std::string key = w.substr(0, eq);
        const std::string value = w.substr(eq + 1);
        if (key == "tag")
            m.tag = static_cast<std::uint32_t>(Number(value, 0xFFFFFFFF));
        else if (key == "enc")
            m.encoding = Byte(value);
        else if (key == "storage")
            storage = static_cast<std::uint32_t>(Number(value, 0xFFFFFFFF));
        else if (key == "from")
            m.address = value.substr(0, 36);
        else if (key == "callback")
            m.callback = value.substr(0, 36);
        else if (key == "vm")
            m.voiceMailCount = Byte(value);
        else if (key == "tele")
            m.teleservice = static_cast<std::uint32_t>(Number(value, 0xFFFFFFFF));
        else if (key == "hex")
            m.text = HexBytes(value);
        else
            break;
    }
    const std::string text = a.Rest(i);
    if (m.text.empty())
        m.text = m.encoding == 4 ? Utf16Le(text) : std::vector<std::uint8_t>(text.begin(), text.end());
    if (m.text.size() > CSimAnswerEncoder::kSmsTextBytes)
        m.text.resize(CSimAnswerEncoder::kSmsTextBytes);
    modem.WithState([&](S& s) { s.StoreSms(storage, m); });
    return Ok("sms slot " + std::to_string(m.slot) + " storage " + std::to_string(storage));
}

std::string VoiceMail(CSimModem& modem, const Args& a)
{
    if (a[1] == "none") {
        modem.WithState([](S& s) { s.sms.voiceMailSlot = S::kNoVoiceMailSlot; });
        return Ok("no voice-mail slot");
    }
    const auto slot = static_cast<std::uint32_t>(Number(a[1], 0xFFFFFFFE));
    const std::uint8_t count = Byte(a[2]);
    modem.WithState([&](S& s) {
        s.sms.voiceMailSlot = slot;
        S::SmsMessage* m = s.FindSms(S::kSmsMemory, slot);
        S::SmsMessage fresh;
        if (!m) {
            fresh.slot = slot;
            fresh.tag = S::kTagRead;
            fresh.teleservice = 4099;  // voice-mail notification
            fresh.timeStamp = static_cast<std::uint32_t>(std::time(nullptr) - 315964800);
            s.StoreSms(S::kSmsMemory, fresh);
            m = s.FindSms(S::kSmsMemory, slot);
        }
        m->voiceMailCount = count;
    });
    return Ok("voice-mail slot " + std::to_string(slot) + " count " + std::to_string(count));
}

std::string Phonebook(CSimModem& modem, const Args& a)
{
    const std::string& what = a[1];
    const std::uint8_t storage = PbStorage(a[2]);
    return modem.WithState([&](S& s) -> std::string {
        S::PbStorage& book = s.phonebook[storage];
        if (what == "clear") {
            book.entries.clear();
            book.cursor = 0;
            return Ok();
        }
        if (what == "capacity") {
            book.capacity = static_cast<std::uint16_t>(Number(a[3], 0xFFFF));
            if (a.Size() > 4)
                book.maxNameLength = static_cast<std::uint16_t>(Number(a[4], 0xFFFF));
            return Ok();
        }
        auto add = [&](S::PbEntry e) {
            auto it = std::find_if(book.entries.begin(), book.entries.end(),
                                   [&](const S::PbEntry& x) { return x.index >= e.index; });
            if (it != book.entries.end() && it->index == e.index)
                *it = std::move(e);
            else
                book.entries.insert(it, std::move(e));
        };
        if (what == "add") {
            S::PbEntry e;
            e.index = static_cast<std::uint32_t>(Number(a[3], 0xFFFFFFFF));
            e.number = a[4].substr(0, 32);
            const std::string name = a.Rest(5);
            if (name.rfind("hex:", 0) == 0)
                e.name = HexBytes(name.substr(4));
            else
                e.name.assign(name.begin(), name.end());
            if (e.name.size() > 65)
                e.name.resize(65);
            add(std::move(e));
            return Ok(std::to_string(book.entries.size()) + " entries");
        }
        if (what == "fill") {
            const auto count = Number(a[3], 0xFFFF);
            for (unsigned long i = 0; i < count; ++i) {
                S::PbEntry e;
                e.index = static_cast<std::uint32_t>(i + 1);
                e.number = "555" + std::to_string(1000 + i);
                const std::string name = "Contact " + std::to_string(i + 1);
                e.name.assign(name.begin(), name.end());
                add(std::move(e));
            }
            return Ok(std::to_string(book.entries.size()) + " entries");
        }
        return "error phonebook add|capacity|fill|clear";
    });
}

std::string Call(CSimModem& modem, const Args& a)
{
    const std::string& what = a[1];
    if (what == "incoming") {
        S::CallerId caller;
        caller.number = a[2] == "-" ? std::string() : a[2].substr(0, 63);
        bool waiting = false;
        for (std::size_t i = 3; i < a.Size(); ++i) {
            const std::string& w = a[i];
            if (w == "restricted")
                caller.presentation = 1;
            else if (w == "unavailable")
                caller.presentation = 2;
            else if (w == "waiting")
                waiting = true;
            else if (w.rfind("second=", 0) == 0)
                caller.secondNumber = w.substr(7, 31);
            else if (w.rfind("redirect=", 0) == 0) {
                caller.redirectingNumber = w.substr(9, 31);
                caller.redirection = 3;
            } else
                return "error unknown call option " + w;
        }
        modem.WithState([&](S& s) {
            CSimDiagHandler::IncomingCall(s, caller);
            if (waiting) {
                s.callerId.callWaiting = 1;
                s.callerId.callWaiting2 = 1;
            }
        });
        return Ok("ringing");
    }
    if (what == "giveup") {
        modem.WithState([](S& s) { CSimDiagHandler::CallerGaveUp(s); });
        return Ok();
    }
    if (what == "hangup") {
        modem.WithState([](S& s) {
            if (s.status.callState != S::kCallIdle && s.status.callState != 0)
                CSimDiagHandler::ReleaseCall(s);
        });
        return Ok();
    }
    if (what == "state") {
        const std::uint8_t code = Byte(a[2]);
        modem.WithState([&](S& s) {
            s.status.callState = code;
            s.call.settleReads = 0;
        });
        return Ok();
    }
    return "error call incoming|giveup|hangup|state";
}

std::string Voice(CSimModem& modem, const Args& a)
{
    const std::string& what = a[1];
    if (what == "short") {
        modem.Voice().SendShort(Number(a[2], CSimVoice::kFrameBytes - 1));
        return Ok();
    }
    if (what == "late") {
        modem.Voice().SendLate(static_cast<int>(Number(a[2], CSimVoice::kResyncMs / 2)));
        return Ok();
    }
    if (what == "clear") {
        modem.Voice().ClearStats();
        return Ok();
    }
    if (what == "stats") {
        const auto st = modem.Voice().GetStats();
        return Ok("sent=" + std::to_string(st.framesSent) + " short=" + std::to_string(st.shortSent) +
                  " late=" + std::to_string(st.lateSent) + " unsent=" + std::to_string(st.framesUnsent) +
                  " uplink=" + std::to_string(st.uplinkBytes) + " odd=" + std::to_string(st.oddChunks) +
                  " early=" + std::to_string(st.uplinkBeforeDownlink));
    }
    return "error voice short|late|stats|clear";
}

std::string Status(CSimModem& modem)
{
    const auto counters = modem.GetCounters();
    const auto faults = modem.WithFaults([](const CSimModem::Faults& f) { return f; });
    return modem.WithState([&](const S& s) {
        char text[1024];
        std::snprintf(text, sizeof text,
                      "plugged=%d sysmode=%u hybrid=%u callstate=0x%02X indicator=%u signal1x=%u signalevdo=%u "
                      "datamode=%u roaming=%u alert=%u servicestate=%u layout=%s servicemode=0x%02X battery=%u "
                      "charge=%u newsms=%u storagefull=%u vmslot=%ld card=%u/%u lock=%u pinretries=%d "
                      "unblockretries=%d pcvoice=%d prefmode=%u nvhybrid=%u pb_card=%zu/%u pb_memory=%zu/%u "
                      "sent=%zu keys=%zu dialled=%s drop=%d corrupt=%d delay=%d requests=%llu answers=%llu "
                      "unanswered=%llu badframes=%llu",
                      modem.IsPlugged() ? 1 : 0, s.status.systemMode, s.status.hybrid, s.status.callState,
                      s.status.incomingIndicator, s.status.signal1x, s.status.signalEvdo, s.status.dataSystemMode,
                      s.status.roaming, s.status.alert, s.status.serviceState, s.LongLayout() ? "long" : "short",
                      s.service.serviceMode, s.battery.value, s.battery.chargeState, s.UnreadInMemory(),
                      s.status.storageFull,
                      s.sms.voiceMailSlot == S::kNoVoiceMailSlot ? -1L : static_cast<long>(s.sms.voiceMailSlot),
                      s.card.connected, s.card.cardState, s.card.lockState, s.card.pinRetries, s.card.unblockRetries,
                      s.pcVoice ? 1 : 0, s.nv.prefMode, s.nv.hybrid, s.phonebook.at(S::kPbCard).entries.size(),
                      s.phonebook.at(S::kPbCard).capacity, s.phonebook.at(S::kPbMemory).entries.size(),
                      s.phonebook.at(S::kPbMemory).capacity, s.sms.sent.size(), s.call.keys.size(),
                      s.call.dialled.empty() ? "-" : s.call.dialled.c_str(), faults.drop, faults.corrupt,
                      faults.delayMs, static_cast<unsigned long long>(counters.requests),
                      static_cast<unsigned long long>(counters.answers),
                      static_cast<unsigned long long>(counters.unanswered),
                      static_cast<unsigned long long>(counters.badFrames));
        return Ok(text);
    });
}

// Commands that set one field from one number.
template <class T>
Handler Field(T S::*group, std::uint8_t T::*field)
{
    return [group, field](CSimModem& modem, const Args& a) {
        const std::uint8_t v = Byte(a[1]);
        modem.WithState([&](S& s) { (s.*group).*field = v; });
        return Ok();
    };
}

const std::vector<Command>& Commands()
{
    static const std::vector<Command> table = {
        {"help", "help", [](CSimModem&, const Args&) { return Ok(CSimControl::Help()); }},
        {"status", "status", [](CSimModem& m, const Args&) { return Status(m); }},
        {"signal", "signal <1x> [<evdo>]",
         [](CSimModem& m, const Args& a) {
             const auto v1 = static_cast<std::uint32_t>(Number(a[1], 0xFFFFFFFF));
             const auto v2 = a.Size() > 2 ? static_cast<std::uint32_t>(Number(a[2], 0xFFFFFFFF)) : 0u;
             m.WithState([&](S& s) {
                 s.status.signal1x = v1;
                 if (a.Size() > 2)
                     s.status.signalEvdo = v2;
             });
             return Ok();
         }},
        {"sysmode", "sysmode <0 none|2 1x|4 EV-DO|other>", Field(&S::status, &S::Status::systemMode)},
        {"datamode", "datamode <2|4>", Field(&S::status, &S::Status::dataSystemMode)},
        {"hybrid", "hybrid <0|1>", Field(&S::status, &S::Status::hybrid)},
        {"roaming", "roaming <n>", Field(&S::status, &S::Status::roaming)},
        {"alert", "alert <n>", Field(&S::status, &S::Status::alert)},
        {"servicestate", "servicestate <n>", Field(&S::status, &S::Status::serviceState)},
        {"storagefull", "storagefull <0|1>", Field(&S::status, &S::Status::storageFull)},
        {"indicator", "indicator <n> (incoming-call indicator)", Field(&S::status, &S::Status::incomingIndicator)},
        {"servicemode", "servicemode <byte> (bit 7: long status layout)", Field(&S::service, &S::Service::serviceMode)},
        {"layout", "layout short|long",
         [](CSimModem& m, const Args& a) {
             if (a[1] != "short" && a[1] != "long")
                 return std::string("error layout short|long");
             const bool longLayout = a[1] == "long";
             m.WithState([&](S& s) {
                 s.service.serviceMode = static_cast<std::uint8_t>(longLayout ? (s.service.serviceMode | 0x80)
                                                                              : (s.service.serviceMode & 0x7F));
             });
             return Ok();
         }},
        {"battery", "battery <value> [<charge state>]",
         [](CSimModem& m, const Args& a) {
             const auto v = static_cast<std::uint16_t>(Number(a[1], 0xFFFF));
             m.WithState([&](S& s) {
                 s.battery.value = v;
                 if (a.Size() > 2)
                     s.battery.chargeState = static_cast<std::uint16_t>(Number(a[2], 0xFFFF));
             });
             return Ok();
         }},
        {"charge", "charge <charge state>",
         [](CSimModem& m, const Args& a) {
             const auto c = static_cast<std::uint16_t>(Number(a[1], 0xFFFF));
             m.WithState([&](S& s) { s.battery.chargeState = c; });
             return Ok();
         }},
        {"banner", "banner <text>",
         [](CSimModem& m, const Args& a) {
             const std::string text = a.Rest(1).substr(0, 255);
             m.WithState([&](S& s) { s.banner = text; });
             return Ok();
         }},
        {"sms", "sms <slot> [tag=T] [enc=2|3|4|16] [storage=6|5] [from=N] [callback=N] [vm=N] [hex=BYTES] <text>", Sms},
        {"smsdel", "smsdel <slot> [<storage>]",
         [](CSimModem& m, const Args& a) {
             const auto slot = static_cast<std::uint32_t>(Number(a[1], 0xFFFFFFFF));
             const auto storage = a.Size() > 2 ? static_cast<std::uint32_t>(Number(a[2], 0xFFFFFFFF)) : S::kSmsMemory;
             return m.WithState([&](S& s) { return s.DeleteSms(storage, slot); }) ? Ok() : "error no such slot";
         }},
        {"smsinit", "smsinit <0|1> [<max slots>]",
         [](CSimModem& m, const Args& a) {
             const bool init = Number(a[1], 1) != 0;
             m.WithState([&](S& s) {
                 s.sms.initialised = init;
                 if (a.Size() > 2)
                     s.sms.maxSlots = Byte(a[2]);
             });
             return Ok();
         }},
        {"voicemail", "voicemail <slot> <count> | voicemail none", VoiceMail},
        {"phonebook", "phonebook add <card|memory> <index> <number> <name|hex:BYTES> | capacity <storage> <n> [<max name>] | fill <storage> <n> | clear <storage>", Phonebook},
        {"card", "card connected <0|1> | card state <0..5>",
         [](CSimModem& m, const Args& a) {
             const std::uint8_t v = Byte(a[2]);
             if (a[1] != "connected" && a[1] != "state")
                 return std::string("error card connected|state");
             m.WithState([&](S& s) { (a[1] == "connected" ? s.card.connected : s.card.cardState) = v; });
             return Ok();
         }},
        {"lock", "lock <1 disabled|2 enabled|3 verified|4 blocked|5 perm. disabled|6 not valid>", Field(&S::card, &S::Card::lockState)},
        {"retries", "retries <pin attempts> [<unblock attempts>]",
         [](CSimModem& m, const Args& a) {
             const int pin = static_cast<int>(Number(a[1], 255));
             const int puk = a.Size() > 2 ? static_cast<int>(Number(a[2], 255)) : -1;
             m.WithState([&](S& s) {
                 s.card.pinRetries = pin;
                 if (puk >= 0)
                     s.card.unblockRetries = puk;
             });
             return Ok();
         }},
        {"pin", "pin <expected PIN>",
         [](CSimModem& m, const Args& a) {
             const std::string pin = a[1].substr(0, 8);
             m.WithState([&](S& s) { s.card.pin = pin; });
             return Ok();
         }},
        {"puk", "puk <expected unblock code>",
         [](CSimModem& m, const Args& a) {
             const std::string code = a[1].substr(0, 8);
             m.WithState([&](S& s) { s.card.unblockCode = code; });
             return Ok();
         }},
        {"call", "call incoming <number|-> [restricted|unavailable] [waiting] [second=T] [redirect=N] | giveup | hangup | state <code>", Call},
        {"prefmode", "prefmode <NV 10 value> [<NV 562 hybrid>]",
         [](CSimModem& m, const Args& a) {
             const auto mode = static_cast<std::uint16_t>(Number(a[1], 0xFFFF));
             m.WithState([&](S& s) {
                 s.nv.prefMode = mode;
                 if (a.Size() > 2)
                     s.nv.hybrid = Byte(a[2]);
             });
             return Ok();
         }},
        {"mdn", "mdn <own number digits>",
         [](CSimModem& m, const Args& a) {
             const std::string digits = a[1].substr(0, 15);
             m.WithState([&](S& s) { s.identity.ownNumber = digits; });
             return Ok();
         }},
        {"min", "min <7 digits> [<3-digit area code>]",
         [](CSimModem& m, const Args& a) {
             std::uint32_t min1 = 0;
             std::uint16_t min2 = 0;
             if (!CSimAnswerEncoder::EncodeMin1(a[1], min1) ||
                 (a.Size() > 2 && !CSimAnswerEncoder::EncodeMin2(a[2], min2)))
                 return std::string("error min needs 7 digits and a 3-digit area code");
             m.WithState([&](S& s) {
                 s.identity.min1 = min1;
                 s.identity.min2 = min2;
             });
             return Ok();
         }},
        {"datarate", "datarate 1x <value> | datarate evdo <16 hex digits>",
         [](CSimModem& m, const Args& a) {
             if (a[1] == "1x") {
                 const auto v = static_cast<std::uint16_t>(Number(a[2], 0xFFFF));
                 m.WithState([&](S& s) { s.dataRates.rate1x = v; });
                 return Ok();
             }
             const auto bytes = HexBytes(a[2]);
             if (a[1] != "evdo" || bytes.size() != 8)
                 return std::string("error datarate 1x <value> | evdo <8 bytes in hex>");
             m.WithState([&](S& s) { std::copy(bytes.begin(), bytes.end(), s.dataRates.evdo.begin()); });
             return Ok();
         }},
        {"unplug", "unplug",
         [](CSimModem& m, const Args&) {
             m.Unplug();
             return Ok("unplugged");
         }},
        {"replug", "replug",
         [](CSimModem& m, const Args&) {
             std::string error;
             return m.Replug(error) ? Ok("replugged") : "error " + error;
         }},
        {"drop", "drop <n> (the next n answers are not sent)",
         [](CSimModem& m, const Args& a) {
             const int n = static_cast<int>(Number(a[1], 1000000));
             m.WithFaults([&](CSimModem::Faults& f) { f.drop = n; });
             return Ok();
         }},
        {"corrupt", "corrupt <n> (the next n answers get a wrong check sequence)",
         [](CSimModem& m, const Args& a) {
             const int n = static_cast<int>(Number(a[1], 1000000));
             m.WithFaults([&](CSimModem::Faults& f) { f.corrupt = n; });
             return Ok();
         }},
        {"delay", "delay <ms> (every answer waits; 0 ends it)",
         [](CSimModem& m, const Args& a) {
             const int ms = static_cast<int>(Number(a[1], 600000));
             m.WithFaults([&](CSimModem::Faults& f) { f.delayMs = ms; });
             return Ok();
         }},
        {"carddelay", "carddelay <ms> (the card-status answers wait; 0 ends it)",
         [](CSimModem& m, const Args& a) {
             const int ms = static_cast<int>(Number(a[1], 600000));
             m.WithFaults([&](CSimModem::Faults& f) { f.cardStatusDelayMs = ms; });
             return Ok();
         }},
        {"nocarrier", "nocarrier on|off (the data port answers ATD with NO CARRIER)",
         [](CSimModem& m, const Args& a) {
             const bool on = a.Size() > 1 && a[1] == "on";
             m.WithFaults([&](CSimModem::Faults& f) { f.noCarrier = on; });
             return Ok();
         }},
        {"garbage", "garbage [<hex bytes>] (raw bytes before the next answer; default DE AD BE EF 7E 7E)",
         [](CSimModem& m, const Args& a) {
             auto bytes = a.Size() > 1 ? HexBytes(a.Rest(1)) : std::vector<std::uint8_t>{0xDE, 0xAD, 0xBE, 0xEF, 0x7E, 0x7E};
             m.WithFaults([&](CSimModem::Faults& f) { f.garbage = std::move(bytes); });
             return Ok();
         }},
        {"unsolicited", "unsolicited [<hex packet>] (a framed packet before the next answer; default 7B 01 02 03)",
         [](CSimModem& m, const Args& a) {
             auto bytes = a.Size() > 1 ? HexBytes(a.Rest(1)) : std::vector<std::uint8_t>{0x7B, 0x01, 0x02, 0x03};
             if (bytes.empty())
                 return std::string("error empty packet");
             m.WithFaults([&](CSimModem::Faults& f) { f.unsolicited = std::move(bytes); });
             return Ok();
         }},
        {"voice", "voice short <bytes> | late <ms> | stats | clear", Voice},
        {"clearfaults", "clearfaults",
         [](CSimModem& m, const Args&) {
             m.WithFaults([](CSimModem::Faults& f) { f = CSimModem::Faults{}; });
             return Ok();
         }},
        {"quit", "quit",
         [](CSimModem& m, const Args&) {
             m.RequestQuit();
             return Ok("bye");
         }},
    };
    return table;
}

}  // namespace

std::string CSimControl::Help()
{
    std::string text = "commands:";
    for (const Command& c : Commands())
        text += " | " + std::string(c.usage);
    return text;
}

std::string CSimControl::Execute(CSimModem& modem, const std::string& line)
{
    const Args args(line);
    if (args.Size() == 0)
        return "error empty command";
    std::string answer;
    const auto it = std::find_if(Commands().begin(), Commands().end(),
                                 [&](const Command& c) { return args[0] == c.name; });
    if (it == Commands().end()) {
        answer = "error unknown command " + args[0] + " (try help)";
    } else {
        try {
            answer = it->run(modem, args);
        } catch (const std::exception& e) {
            answer = "error " + std::string(e.what()) + "; usage: " + it->usage;
        }
    }
    modem.HexLog().Note("control: " + line + " -> " + answer);
    return answer;
}

}  // namespace brivex::sim
