// LSoundSink: a pushed consumer of interleaved 32-bit frames; LSoundSinkBase sets rate, channels and full scale.
// A sink in error discards what it is given but still counts `length`, and says so through IsInError at once.
// Used by one thread at a time; takes no locks. The destructor finishes the output.
//
//   LSoundSinkHandle sink = MakeHandle<LSNKPCMFile<LSF16>>(path, 8000, 1);
//   sink->Write(block.data(), frames);
//   if (sink->IsInError()) { /* stop and tell the user */ }
#pragma once

#include "sound/LHandle.h"
#include "sound/SampleFormat.h"

#include <cstdint>

class LSoundSink : public LCounted {
public:
    // Consumes `frames` frames; the length grows by `frames` even when the sink is in error.
    virtual void Write(const int32_t* samples, int32_t frames) = 0;
    // Cuts the output back to `frames` frames (only shrinking). The base does nothing.
    virtual void Truncate(int32_t frames);

    int32_t Length() const { return m_length; }
    int32_t Rate() const { return m_rate; }
    int32_t FullScale() const { return m_fullScale; }
    uint8_t Channels() const { return m_channels; }
    bool IsInError() const { return (m_flags & kError) != 0; }

protected:
    static constexpr uint16_t kError = 1;

    void MarkError() { m_flags |= kError; }

    int32_t m_length = 0;
    int32_t m_rate = kDefaultRate;
    int32_t m_fullScale = kFullScaleUnknown;
    uint8_t m_channels = 1;
    uint16_t m_flags = 0;
};

using LSoundSinkHandle = LHandle<LSoundSink>;

class LSoundSinkBase : public LSoundSink {
public:
    // Zero channels use one, without an error.
    LSoundSinkBase(int32_t rate, int32_t fullScale, uint8_t channels);
};
