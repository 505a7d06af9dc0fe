// LSRCConvMonoStereo: channel converter from one channel to two identical ones.
#pragma once

#include "sound/LSRCConvChannels.h"

class LSRCConvMonoStereo final : public LSRCConvChannels {
public:
    // Invalid unless the upstream has one channel.
    explicit LSRCConvMonoStereo(LSoundSourceHandle upstream);

protected:
    void Convert(const int32_t* input, int32_t* output, int32_t frames) const override;
};
