#include "sound/LSRCConvStereoMono.h"

LSRCConvStereoMono::LSRCConvStereoMono(LSoundSourceHandle upstream) : LSRCConvChannels(std::move(upstream), 1, 2) {}

void LSRCConvStereoMono::Convert(const int32_t* input, int32_t* output, int32_t frames) const {
    for (int32_t frame = 0; frame < frames; ++frame)
        output[frame] = input[2 * static_cast<int64_t>(frame)];
}
