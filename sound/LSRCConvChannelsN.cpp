#include "sound/LSRCConvChannelsN.h"

LSRCConvChannelsN::LSRCConvChannelsN(LSoundSourceHandle upstream, uint16_t targetChannels)
    : LSRCConvChannels(std::move(upstream), targetChannels, 0) {}

void LSRCConvChannelsN::Convert(const int32_t* input, int32_t* output, int32_t frames) const {
    const int inputChannels = UpstreamChannels();
    const int outputChannels = Channels();
    for (int32_t frame = 0; frame < frames; ++frame) {
        const int32_t* in = input + static_cast<int64_t>(frame) * inputChannels;
        int32_t* out = output + static_cast<int64_t>(frame) * outputChannels;
        for (int channel = 0; channel < outputChannels; ++channel)
            out[channel] = in[channel % inputChannels];
    }
}
