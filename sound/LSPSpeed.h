// LSPSpeed: descriptor that puts a speed change (LSRCSpeed) over a source: start speed, end speed and the ramp
// time between them (1/10000 s). Speeds that are not finite or beyond +-1000 leave the source as it is.
//
//   LSPSpeed(0.5, 7.0, 80000).Apply(chain, chain);   // audible fast forward
#pragma once

#include "sound/LSoundProcess.h"

class LSPSpeed final : public LSoundProcess {
public:
    LSPSpeed(double startSpeed, double endSpeed, int32_t rampTime)
        : startSpeed(startSpeed), endSpeed(endSpeed), rampTime(rampTime) {}
    void Apply(LSoundSourceHandle& result, LSoundSourceHandle& input) override;

    double startSpeed;
    double endSpeed;
    int32_t rampTime;
};
