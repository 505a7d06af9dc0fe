#include "sound/LSRCConvMonoStereo.h"

LSRCConvMonoStereo::LSRCConvMonoStereo(LSoundSourceHandle upstream) : LSRCConvChannels(std::move(upstream), 2, 1) {}

void LSRCConvMonoStereo::Convert(const int32_t* input, int32_t* output, int32_t frames) const {
    for (int32_t frame = 0; frame < frames; ++frame) {
        output[2 * static_cast<int64_t>(frame)] = input[frame];
        output[2 * static_cast<int64_t>(frame) + 1] = input[frame];
    }
}
