#pragma once

#include "store/CDaoRecordset.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brivex {

// The SMS table ferrox_sms of the working copy. It is opened at start-up with
// the default query and stays open for the whole run.
class CDaoSmsDb : public CDaoRecordset {
public:
    static constexpr std::size_t kMessageBytes = 229;
    static constexpr std::int32_t kMemoryStorage = 6;  // high half of the message word
    static constexpr std::int32_t kCardStorage = 5;

    CDaoSmsDb();

    std::int32_t m_index = 0;  // the message word
    double m_tag_type = 0;
    double m_time = 0;
    std::string m_cb_number;
    std::uint8_t m_new_flag = 0;
    std::uint8_t m_encoding = 0;
    std::vector<std::uint8_t> m_message;

    // Storage code in the high 16 bits, slot in the low 16 bits.
    static std::int32_t MessageWord(std::int32_t storage, std::uint16_t slot);

    // The filter "index = word" on the open recordset.
    bool FindFirstIndex(std::int32_t messageWord);
    // The voice-mail clean-up: deletes the row of the message word when there
    // is one. True when a row went; false when none was there or the store
    // failed (logged).
    bool DeleteMessage(std::int32_t messageWord);

    // The message text up to its first zero byte, never past the bytes held.
    std::string MessageText() const;
    // Stores the text as the 229-byte array, zero-padded (cut when longer).
    void SetMessageText(std::string_view text);

protected:
    void DoFieldExchange(CDaoFieldExchange& fx) override;
};

}  // namespace brivex
