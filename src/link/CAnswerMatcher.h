#pragma once

#include <cstddef>
#include <cstdint>

namespace brivex {

// Finds the answer to a request in the bytes one transaction read, without
// any I/O: the bytes are cut into pieces at each flag (bytes after the last
// flag are dropped), and the first piece, in arrival order, that decodes with
// a good check sequence and answers the request wins. Other pieces (empty
// ones from extra flags, unsolicited frames, bad checks, garbage) are skipped.
class CAnswerMatcher {
public:
    struct Result {
        bool found = false;
        std::size_t payloadLength = 0;  // the answer in the scratch buffer, check bytes removed
        std::size_t pieces = 0;         // pieces looked at, the answer included
    };

    // The vendor codes whose answers repeat the request's two sub-command bytes.
    static bool RepeatsSubCommand(std::uint8_t code);

    // Whether a decoded payload answers the request: the same command code,
    // and for the vendor codes above also the same sub-command bytes, so a
    // late answer to another vendor request is never taken for this one's.
    static bool Answers(const std::uint8_t* payload, std::size_t payloadLength, const std::uint8_t* request,
                        std::size_t requestLength);

    // Scratch receives the decoded pieces; a piece that would not fit in it
    // counts as a bad frame. Needs requestLength >= 1.
    static Result Find(const std::uint8_t* received, std::size_t count, const std::uint8_t* request,
                       std::size_t requestLength, std::uint8_t* scratch, std::size_t scratchCapacity);

    // The smallest decoded piece that holds a packet: a code and the check.
    static constexpr std::size_t kMinDecoded = 3;
};

}  // namespace brivex
