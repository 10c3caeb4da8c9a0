#include "modem/CMessageRules.h"

namespace brivex {

std::optional<std::uint8_t> CMessageRules::SmsIndicator(int voiceMailCount, std::uint16_t count,
                                                        bool voiceMailDeleted)
{
    if (count == 0)
        return 0;
    if (voiceMailCount > 0)
        return count == 1 ? 2 : 3;
    if (!voiceMailDeleted)
        return 1;
    return std::nullopt;
}

}  // namespace brivex
