// LSRCConvStereoMono: channel converter from two channels to one that keeps the left (first) channel exactly;
// the right channel is dropped, not mixed.
#pragma once

#include "sound/LSRCConvChannels.h"

class LSRCConvStereoMono final : public LSRCConvChannels {
public:
    // Invalid unless the upstream has two channels.
    explicit LSRCConvStereoMono(LSoundSourceHandle upstream);

protected:
    void Convert(const int32_t* input, int32_t* output, int32_t frames) const override;
};
