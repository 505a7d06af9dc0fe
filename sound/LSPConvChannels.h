// LSPConvChannels: descriptor that puts a channel converter over a source: LSRCConvStereoMono for 2 -> 1,
// LSRCConvMonoStereo for 1 -> 2, LSRCConvChannelsN for any other pair; a target of 0, above 255 or equal to the
// source's count leaves the source as it is.
#pragma once

#include "sound/LSoundProcess.h"

class LSPConvChannels final : public LSoundProcess {
public:
    explicit LSPConvChannels(uint16_t targetChannels) : targetChannels(targetChannels) {}
    void Apply(LSoundSourceHandle& result, LSoundSourceHandle& input) override;

    uint16_t targetChannels;
};
