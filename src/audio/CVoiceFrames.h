#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace brivex {

// The framing rules of the voice port, apart from any device or port:
// the uplink goes out only once the downlink has started, as a whole frame
// in two half-frame writes; the downlink takes one read of up to a frame per
// pass and keeps it only when it is a whole frame.
class CVoiceFrames {
public:
    // Writes bytes to the voice port; returns the count written.
    using Writer = std::function<std::size_t(const std::uint8_t* data, std::size_t length)>;
    // Reads up to capacity bytes from the voice port; returns the count read.
    using Reader = std::function<std::size_t(std::uint8_t* buffer, std::size_t capacity)>;
    // Takes a whole downlink frame; returns whether it was pushed on.
    using FrameSink = std::function<bool(const std::uint8_t* frame, std::size_t length)>;

    // One recorded frame. True when it was written (both halves).
    static bool SendUplink(const std::uint8_t* frame, std::size_t length, bool downlinkStarted, const Writer& write);

    // One pass of the downlink thread: one read into buffer (at least a
    // frame long) from its start; a read that is not exactly one frame is
    // dropped. True when a frame was pushed.
    static bool DownlinkPass(const Reader& read, std::uint8_t* buffer, std::size_t capacity, const FrameSink& push);
};

}  // namespace brivex
