#pragma once

#include "modem/SmsListRecord.h"

#include <cstdint>
#include <span>

namespace brivex {

class CEngine;

// The short-message operations: send the SMS view's send record, list a
// storage and raise the pop-up of the first unread memory message, follow
// the voice-mail notification (remove it, read its count), and delete the
// slot a pop-up showed. They run on whichever thread holds the port.
class CSmsOperations {
public:
    static constexpr std::uint8_t kIdleCallState = 129;     // this or below: the modem is not idle
    static constexpr std::intptr_t kNotIdle = 402;          // send result posted to the SMS view
    static constexpr std::size_t kTooLong = 230;            // text bytes that are no longer sent
    static constexpr int kVoiceMailTimer = 110;
    static constexpr int kVoiceMailTimerMs = 100;
    static constexpr std::uint32_t kPopupDeleteTimeoutMs = 3000;
    static constexpr const char* kNoServiceText =
        "The status of the modem is in no service area.\nCannot send the message(s).";

    explicit CSmsOperations(CEngine& engine);

    std::uint16_t Send();                         // DM_SMS_SEND (16)
    std::uint16_t List(std::uint32_t storage);    // SMS list (18): the transaction code, 0 when read
    std::uint16_t RemoveVoiceMail();              // DM_SMS_REMOVEAT (21)
    std::uint16_t ReadVoiceMailCount();           // DM_SMS_VOICENUM (24)
    // Deletes a modem-memory slot; the result is not examined.
    void DeletePopupSlot(std::uint32_t slot);

    // The text length the send record gives the modem: 16-bit units up to
    // the first zero unit, twice, for Unicode (4); bytes up to the first
    // zero for every other encoding.
    static std::size_t SendTextLength(std::uint8_t encoding, std::span<const std::uint8_t> text);

private:
    void RaisePopup(const SmsListRecord& list);
    bool VoiceMailSlot(std::uint32_t& slot) const;

    CEngine& m_engine;
};

}  // namespace brivex
