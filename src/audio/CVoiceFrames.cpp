#include "audio/CVoiceFrames.h"

#include "audio/CWaveFormat.h"

namespace brivex {

bool CVoiceFrames::SendUplink(const std::uint8_t* frame, std::size_t length, bool downlinkStarted, const Writer& write)
{
    // The modem takes uplink audio only in step with its downlink, and only
    // in whole frames; anything else would shift every later sample.
    if (!downlinkStarted || !frame || !write || length != CWaveFormat::kFrameBytes)
        return false;
    constexpr std::size_t half = CWaveFormat::kHalfFrameBytes;
    if (write(frame, half) != half)
        return false;
    return write(frame + half, half) == half;
}

bool CVoiceFrames::DownlinkPass(const Reader& read, std::uint8_t* buffer, std::size_t capacity, const FrameSink& push)
{
    if (!buffer || capacity < CWaveFormat::kFrameBytes)
        return false;
    const std::size_t n = read(buffer, CWaveFormat::kFrameBytes);
    // A short read is a piece of a frame whose start is lost: keeping it
    // would misalign every frame after it.
    if (n != CWaveFormat::kFrameBytes)
        return false;
    return push(buffer, n);
}

}  // namespace brivex
