// LSPPeakLimit: descriptor that puts a peak limiter (LSRCPeakLimit) over a source whose full scale exceeds the
// limit level; a stream whose samples cannot exceed the level, or a level below 1, leaves the source as it is.
//
//   LSPPeakLimit(kFullScale16).Apply(chain, chain);   // before a 16-bit writer
#pragma once

#include "sound/LSoundProcess.h"

class LSPPeakLimit final : public LSoundProcess {
public:
    explicit LSPPeakLimit(int32_t level) : level(level) {}
    void Apply(LSoundSourceHandle& result, LSoundSourceHandle& input) override;

    int32_t level; // in the units of the input's samples
};
