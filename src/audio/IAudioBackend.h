#pragma once

#include "audio/CWaveFormat.h"
#include "audio/IAudioCaptureDevice.h"
#include "audio/IAudioPlaybackDevice.h"

#include <memory>
#include <string>

namespace brivex {

// Where the voice path meets the sound devices: the Qt Multimedia back end
// in the program, the null back end in tests and measurements. Open fails
// (null, with the reason in error) when the format is not the voice format
// or the device cannot be had, e.g. with no audio server running.
class IAudioBackend {
public:
    virtual ~IAudioBackend() = default;
    virtual std::unique_ptr<IAudioCaptureDevice> OpenCapture(int device, const CWaveFormat& format,
                                                             IAudioCaptureDevice::BufferDone done,
                                                             std::string& error) = 0;
    virtual std::unique_ptr<IAudioPlaybackDevice> OpenPlayback(const CWaveFormat& format, std::string& error) = 0;
};

}  // namespace brivex
