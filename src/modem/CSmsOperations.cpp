#include "modem/CSmsOperations.h"

#include "app/CDebugViews.h"
#include "modem/CDiagExchange.h"
#include "modem/CEngine.h"
#include "modem/CWindowSeam.h"
#include "modem/CPopupText.h"
#include "modem/CSmsPackets.h"
#include "modem/DiagCommands.h"
#include "modem/WorkerCommands.h"

#include <algorithm>

namespace brivex {

namespace {

using Target = CWindowSeam::Target;

std::uint8_t ByteAt(std::string_view text, std::size_t i)
{
    return i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0;
}

// A zero-terminated field of the send record, cut to what the packet holds.
std::string NumberField(const std::string& text)
{
    const std::string cut = text.substr(0, text.find('\0'));
    return cut.substr(0, SmsSendRecord::kMaxNumber);
}

}  // namespace

CSmsOperations::CSmsOperations(CEngine& engine) : m_engine(engine) {}

std::size_t CSmsOperations::SendTextLength(std::uint8_t encoding, std::span<const std::uint8_t> text)
{
    if (encoding == SMS_ENC_UNICODE) {
        std::size_t units = 0;
        while (2 * units + 1 < text.size() && (text[2 * units] != 0 || text[2 * units + 1] != 0))
            ++units;
        return 2 * units;
    }
    return static_cast<std::size_t>(std::find(text.begin(), text.end(), 0) - text.begin());
}

std::uint16_t CSmsOperations::Send()
{
    BX_LOG(LEVEL_DM, "Dm Sub DM_SMS_SEND: ");
    CEngineState& state = m_engine.State();
    CWindowSeam& window = m_engine.Window();
    if (state.lastCallState.load() <= kIdleCallState) {
        BX_LOG(LEVEL_DM, "No Idle...");
        window.Post(Target::SmsView, WM_SMS_SEND_STEP, 0, kNotIdle);
        return DM_SMS_SEND;
    }

    SmsSendRecord record;
    record.encoding = state.smsEncoding.load();
    {
        std::lock_guard lock(state.mutex);
        record.destination = NumberField(state.smsDestination);
        record.callback = NumberField(state.smsCallback);
        record.text = state.smsText;
    }
    const std::size_t length = SendTextLength(record.encoding, record.text);
    if (length >= kTooLong) {
        window.MessageBox(kNoServiceText, CWindowSeam::Icon::Error);
        window.Post(Target::SmsView, WM_SMS_SEND_STEP, 0, DM_RESULT_WORKER_ENDING);
        return DM_RESULT_TRANSACTION_FAILED;
    }
    record.text.resize(length);

    const auto request = CSmsPackets::BuildSend(record);
    CDiagExchange exchange(m_engine.DiagPort());
    if (!request || exchange.Run(*request) != CCommPort::kAnswer) {
        BX_LOG(LEVEL_ST, "send message error(line=%d)", __LINE__);
        return DM_RESULT_TRANSACTION_FAILED;
    }
    const auto answer = CSmsPackets::ParseSendResponse(exchange.Answer());
    if (answer.Refused()) {
        BX_LOG(LEVEL_ST, "dm result error = 0x%04x", answer.ModemResult());
        return DM_RESULT_MODEM_REFUSED;
    }
    if (!answer) {
        BX_LOG(LEVEL_ST, "send message error(line=%d)", __LINE__);
        return DM_RESULT_TRANSACTION_FAILED;
    }
    return DM_SMS_SEND;
}

std::uint16_t CSmsOperations::List(std::uint32_t storage)
{
    BX_LOG(LEVEL_DM, "Dm Sub DM_SMS_LIST:");
    CDiagExchange exchange(m_engine.DiagPort());
    if (exchange.Run(CSmsPackets::BuildList(storage)) != CCommPort::kAnswer) {
        BX_LOG(LEVEL_ST, "sms get info list error");
        return DM_RESULT_TRANSACTION_FAILED;
    }
    const auto list = CSmsPackets::ParseListResponse(exchange.Answer());
    if (list.Refused())
        return DM_RESULT_MODEM_REFUSED;
    if (!list) {
        BX_LOG(LEVEL_ST, "sms get info list error");
        return DM_RESULT_TRANSACTION_FAILED;
    }

    CEngineState& state = m_engine.State();
    state.voiceMailSlot = static_cast<std::int32_t>(list->voiceMailSlot);
    const int count = static_cast<int>(list->entries.size());
    if (storage == SMS_STORAGE_MEMORY) {
        state.smsMemoryCount = count;
    } else {
        state.smsCardCount = count;
        BX_LOG(LEVEL_DM, "total count = %d", count);
    }
    // Only memory messages pop up: the read below asks modem memory for the
    // listed slot, which would be another message for a card list.
    if (storage == SMS_STORAGE_MEMORY && !state.popupRaised.load())
        RaisePopup(*list);
    return CCommPort::kAnswer;
}

void CSmsOperations::RaisePopup(const SmsListRecord& list)
{
    CEngineState& state = m_engine.State();
    for (const SmsListEntry& entry : list.entries) {
        if (entry.tag != SMS_TAG_UNREAD)
            continue;
        CDiagExchange exchange(m_engine.DiagPort());
        const int code = exchange.Run(CSmsPackets::BuildRead(entry.slot, SMS_STORAGE_MEMORY));
        if (code != CCommPort::kAnswer) {
            BX_LOG(LEVEL_ST, "sms read error(index=%u): transaction %d", static_cast<unsigned>(entry.slot), code);
            continue;
        }
        const auto message = CSmsPackets::ParseReadResponse(exchange.Answer());
        if (!message) {
            BX_LOG(LEVEL_ST, "sms read error(index=%u): %s", static_cast<unsigned>(entry.slot),
                   ParseErrorName(message.Error()));
            continue;
        }
        const SmsMessageRecord& m = *message;
        BX_LOG(LEVEL_DM,
               "Got SMS,index=%d, type=%d, t_type=%d, time=%d, e_type=%d, l_type=%d, vm_num_msg=%d, address_len=%d, "
               "callbacklen=%d, datalen=%d, addressd=%d:%d:%d, callbacka=%d:%d:%d, data=%d:%d:%d",
               static_cast<int>(entry.slot), static_cast<int>(entry.tag), static_cast<int>(m.teleservice),
               static_cast<int>(m.timeStamp), m.encoding, m.language, m.voiceMailCount, m.addressLength,
               m.callbackLength, m.textLength, ByteAt(m.address, 0), ByteAt(m.address, 1), ByteAt(m.address, 2),
               ByteAt(m.callback, 0), ByteAt(m.callback, 1), ByteAt(m.callback, 2), m.textField[0], m.textField[1],
               m.textField[2]);
        const std::string text = CPopupText::Decode(m.encoding, m.text);
        {
            std::lock_guard lock(state.mutex);
            state.popupText = text;
        }
        state.popupRaised = true;
        m_engine.Window().Post(Target::MainWindow, WM_SMS_POPUP, entry.slot, 0);
        return;
    }
}

bool CSmsOperations::VoiceMailSlot(std::uint32_t& slot) const
{
    const std::int32_t known = m_engine.State().voiceMailSlot.load();
    if (known < 0) {
        BX_LOG(LEVEL_ST, "no voice-mail slot");
        return false;
    }
    slot = static_cast<std::uint32_t>(known);
    return true;
}

std::uint16_t CSmsOperations::RemoveVoiceMail()
{
    BX_LOG(LEVEL_DM, "Dm Sub DM_SMS_REMOVEAT:");
    std::uint32_t slot = 0;
    if (!VoiceMailSlot(slot))
        return DM_RESULT_MISSING_ARGUMENT;
    CDiagExchange exchange(m_engine.DiagPort());
    if (exchange.Run(CSmsPackets::BuildDelete(slot, SMS_STORAGE_MEMORY)) != CCommPort::kAnswer) {
        BX_LOG(LEVEL_ST, "sms remove error");
        return DM_RESULT_TRANSACTION_FAILED;
    }
    const auto answer = CSmsPackets::ParseDeleteResponse(exchange.Answer());
    if (answer.Refused())
        return DM_RESULT_MODEM_REFUSED;
    if (!answer) {
        BX_LOG(LEVEL_ST, "sms remove error");
        return DM_RESULT_TRANSACTION_FAILED;
    }
    // The SMS view removes its voice-mail row on the window's thread.
    m_engine.Window().StartTimer(kVoiceMailTimer, kVoiceMailTimerMs);
    return DM_SMS_REMOVEAT;
}

std::uint16_t CSmsOperations::ReadVoiceMailCount()
{
    BX_LOG(LEVEL_DM, "Dm Sub DM_SMS_VOICENUM:");
    std::uint32_t slot = 0;
    if (!VoiceMailSlot(slot))
        return DM_RESULT_MISSING_ARGUMENT;
    CDiagExchange exchange(m_engine.DiagPort());
    if (exchange.Run(CSmsPackets::BuildRead(slot, SMS_STORAGE_MEMORY)) != CCommPort::kAnswer) {
        BX_LOG(LEVEL_ST, "voice sms counter read diag error ");
        return DM_RESULT_TRANSACTION_FAILED;
    }
    const auto message = CSmsPackets::ParseReadResponse(exchange.Answer());
    if (message.Refused())
        return DM_RESULT_MODEM_REFUSED;
    if (!message) {
        BX_LOG(LEVEL_ST, "voice sms counter read diag error ");
        return DM_RESULT_TRANSACTION_FAILED;
    }
    CEngineState& state = m_engine.State();
    if (message->voiceMailCount != state.voiceMailCount.load())
        state.voiceMailCount = message->voiceMailCount;
    return DM_SMS_VOICENUM;
}

void CSmsOperations::DeletePopupSlot(std::uint32_t slot)
{
    const CRequestPacket built = CSmsPackets::BuildDelete(slot, SMS_STORAGE_MEMORY);
    CRequestPacket request(built.size(), kPopupDeleteTimeoutMs);
    request.PutBytes(0, built.Bytes());
    CDiagExchange exchange(m_engine.DiagPort());
    const int code = exchange.Run(request);
    BX_LOG(LEVEL_SMS, "pop-up slot %u deleted: %d", static_cast<unsigned>(slot), code);
}

}  // namespace brivex
