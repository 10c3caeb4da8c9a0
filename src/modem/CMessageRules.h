#pragma once

#include <cstdint>
#include <optional>

namespace brivex {

// The SMS indicator (1043) of the status poll's new-message step.
class CMessageRules {
public:
    // voiceMailCount: the SMS view's voice-mail count after this pass's reads;
    // count: the status record's new-message count; voiceMailDeleted: the
    // pass removed the voice-mail message. Nothing when the indicator keeps
    // its value.
    static std::optional<std::uint8_t> SmsIndicator(int voiceMailCount, std::uint16_t count, bool voiceMailDeleted);
};

}  // namespace brivex
