// LSRCConvChannelsN: channel converter between any two channel counts: output channel c is upstream channel
// (c mod upstream channels).
#pragma once

#include "sound/LSRCConvChannels.h"

class LSRCConvChannelsN final : public LSRCConvChannels {
public:
    // `targetChannels` 0 becomes 1; above 255 the converter is invalid.
    LSRCConvChannelsN(LSoundSourceHandle upstream, uint16_t targetChannels);

protected:
    void Convert(const int32_t* input, int32_t* output, int32_t frames) const override;
};
