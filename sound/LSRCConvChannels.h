// LSRCConvChannels: base of the channel converters; pulls upstream frames through a buffer of 8192 frames and
// lets the derived class map them to its own channel count. Frames are not renumbered: Seek, GetPosition and
// GetLength pass straight to the upstream. Pulled on its owner's thread; allocates only when built.
#pragma once

#include "sound/LSoundSource.h"

#include <cstdint>
#include <vector>

class LSRCConvChannels : public LSoundProcessBase {
public:
    static constexpr int32_t kBufferFrames = 8192;

    // Any count of frames (served in steps of 8192); silence when invalid.
    void Read(int32_t* samples, int32_t frames) final;

protected:
    // `targetChannels` 0 becomes 1. Invalid when the upstream is, or when the derived class needs a particular
    // upstream channel count (`requiredUpstreamChannels` > 0) that the upstream does not have.
    LSRCConvChannels(LSoundSourceHandle upstream, uint16_t targetChannels, int requiredUpstreamChannels);

    // Maps `frames` upstream frames (UpstreamChannels() samples each) to `frames` output frames.
    virtual void Convert(const int32_t* input, int32_t* output, int32_t frames) const = 0;

    int UpstreamChannels() const { return m_upstreamChannels; }

private:
    int m_upstreamChannels = 1;
    std::vector<int32_t> m_buffer;
};
