#include "modem/CSmsText.h"

#include "modem/DiagCommands.h"

#include <algorithm>

namespace brivex {

namespace {

std::vector<std::uint8_t> CleanIa5(std::span<const std::uint8_t> text)
{
    std::vector<std::uint8_t> clean;
    clean.reserve(CSmsText::kMaxText);
    for (std::uint8_t byte : text) {
        if (byte == 0x24) {
            if (clean.size() + 2 > CSmsText::kMaxText)
                break;
            clean.push_back(0x6B);
            clean.push_back(0x7A);
            continue;
        }
        if (clean.size() + 1 > CSmsText::kMaxText)
            break;
        clean.push_back(byte == 0x7E ? 0x20 : byte);
    }
    return clean;
}

}  // namespace

CSmsText::Cleaned CSmsText::CleanOnRead(std::uint8_t encoding, std::span<const std::uint8_t> text)
{
    text = text.first(std::min(text.size(), kMaxText));
    Cleaned cleaned;
    cleaned.encoding = encoding;
    if (encoding == SMS_ENC_IA5) {
        cleaned.text = CleanIa5(text);
        return cleaned;
    }
    if (encoding == SMS_ENC_UNICODE)
        cleaned.encoding = SMS_ENC_ASCII;
    cleaned.text.assign(text.begin(), text.end());
    return cleaned;
}

}  // namespace brivex
