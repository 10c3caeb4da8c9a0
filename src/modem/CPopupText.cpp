#include "modem/CPopupText.h"

#include "modem/CUtf8.h"

#include <algorithm>

namespace brivex {

std::string CPopupText::Decode(std::uint8_t encoding, std::span<const std::uint8_t> text)
{
    const auto kept = text.first(std::min(text.size(), kMaxBytes));
    return encoding == kUnicode ? CUtf8::FromUtf16Le(kept) : CUtf8::FromLatin1(kept);
}

}  // namespace brivex
