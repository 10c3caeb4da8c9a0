#include "link/CAnswerMatcher.h"

#include "link/CFrameCheck.h"
#include "link/CHdlcCodec.h"

#include <algorithm>
#include <cstring>

namespace brivex {

bool CAnswerMatcher::RepeatsSubCommand(std::uint8_t code)
{
    switch (code) {
    case 0xCF:
    case 0xD0:
    case 0xD1:
    case 0xD2:
    case 0xD5:
        return true;
    default:
        return false;
    }
}

bool CAnswerMatcher::Answers(const std::uint8_t* payload, std::size_t payloadLength, const std::uint8_t* request,
                             std::size_t requestLength)
{
    if (payloadLength == 0 || requestLength == 0 || payload[0] != request[0])
        return false;
    if (!RepeatsSubCommand(request[0]))
        return true;
    // Sub-command bytes 1 and 2, as far as the request has them.
    const std::size_t last = std::min<std::size_t>(2, requestLength - 1);
    for (std::size_t k = 1; k <= last; ++k)
        if (k >= payloadLength || payload[k] != request[k])
            return false;
    return true;
}

CAnswerMatcher::Result CAnswerMatcher::Find(const std::uint8_t* received, std::size_t count,
                                            const std::uint8_t* request, std::size_t requestLength,
                                            std::uint8_t* scratch, std::size_t scratchCapacity)
{
    Result result;
    if (requestLength == 0)
        return result;
    std::size_t start = 0;
    while (start < count) {
        const void* flag = std::memchr(received + start, CHdlcCodec::kFlag, count - start);
        if (!flag)
            break;  // a piece cut off at the end of the read
        const std::size_t end = static_cast<std::size_t>(static_cast<const std::uint8_t*>(flag) - received);
        const std::uint8_t* piece = received + start;
        const std::size_t length = end - start;
        start = end + 1;
        ++result.pieces;
        if (length == 0)
            continue;
        // The first raw byte is the code unless it is escaped: skip cheaply.
        if (piece[0] != request[0] && piece[0] != CHdlcCodec::kEscape)
            continue;
        std::size_t decoded = 0;
        if (!CHdlcCodec::Unescape(piece, length, scratch, scratchCapacity, decoded))
            continue;
        // Fewer than three decoded bytes cannot hold a code and its check.
        if (decoded < kMinDecoded || !CFrameCheck::IsGood(scratch, decoded))
            continue;
        if (!Answers(scratch, decoded - 2, request, requestLength))
            continue;
        result.found = true;
        result.payloadLength = decoded - 2;
        return result;
    }
    return result;
}

}  // namespace brivex
