// LSRCRepeat: processor that plays its upstream up to a loop end and then again and again from a loop start.
// A loop shorter than 256 frames (a loop of zero length included) plays 256 frames from its start each time.
// Positions and lengths are the upstream's; Seek folds a frame at or beyond the loop end into the loop.
// Pulled on its owner's thread.
//
//   LSoundSourceHandle chain = MakeHandle<LSRCRepeat>(reader, 20000, 50000);   // 2 s .. 5 s, endlessly
#pragma once

#include "sound/LSoundSource.h"

#include <cstdint>

class LSRCRepeat final : public LSoundProcessBase {
public:
    static constexpr int32_t kMinimumLoopFrames = 256;

    // Loop start and end are time values (1/10000 s) at the upstream's rate; an end before the start is swapped.
    LSRCRepeat(LSoundSourceHandle upstream, int32_t loopStart, int32_t loopEnd);

    // Any count of frames (upstream reads of at most 8192); silence when invalid.
    void Read(int32_t* samples, int32_t frames) override;
    // A frame before the loop end is passed on; a frame f at or beyond it goes to
    // loop start + (f - loop end) mod period, the frame it would have reached by playing from the start.
    void Seek(int32_t frame) override;

    int32_t LoopStartFrame() const { return m_loopStart; }
    int32_t LoopEndFrame() const { return m_loopEnd; }
    // Frames played per pass after the first: loop end - loop start, at least kMinimumLoopFrames.
    int32_t PeriodFrames() const { return m_period; }

private:
    int32_t m_loopStart = 0;
    int32_t m_loopEnd = 0;
    int32_t m_period = kMinimumLoopFrames;
    int64_t m_remaining = 0; // frames until the jump back to the loop start
};
