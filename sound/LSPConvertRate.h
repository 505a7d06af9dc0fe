// LSPConvertRate: descriptor that puts a rate converter (LSRCConvertRate) over a source whose rate differs from
// the target; a pair of rates the converter cannot serve leaves the source as it is (compare the result's rate).
//
//   LSoundSourceHandle chain = reader;
//   LSPConvertRate(8000).Apply(chain, chain);
#pragma once

#include "sound/LSoundProcess.h"

class LSPConvertRate final : public LSoundProcess {
public:
    explicit LSPConvertRate(int32_t targetRate) : targetRate(targetRate) {}
    void Apply(LSoundSourceHandle& result, LSoundSourceHandle& input) override;

    int32_t targetRate;
};
