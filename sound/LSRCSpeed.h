// LSRCSpeed: processor that plays its upstream faster, slower or backwards without changing the pitch, by
// playing blocks of B = rate / 40 frames (20..8192) and skipping (or repeating) upstream audio between them;
// each block's first B / 2 frames are cross-faded with the continuation of the block before. The skip ramps
// from the start speed to the end speed over a ramp time. Pulled on its owner's thread; no allocation while
// streaming. Positions and lengths are the upstream's.
//
//   LSoundSourceHandle chain = MakeHandle<LSRCSpeed>(reader, 0.5, 7.0, 80000);   // fast forward, 8 s ramp
#pragma once

#include "sound/LSoundSource.h"

#include <cstdint>
#include <vector>

class LSRCSpeed final : public LSoundProcessBase {
public:
    static constexpr double kMaxSpeed = 1000.0; // magnitude; beyond it, or not finite, the processor is invalid

    // `rampTime` in 1/10000 s; 0 or less plays at `startSpeed` throughout. Primes from the upstream's current
    // position when valid.
    LSRCSpeed(LSoundSourceHandle upstream, double startSpeed, double endSpeed, int32_t rampTime);

    // Any count of frames; silence when invalid.
    void Read(int32_t* samples, int32_t frames) override;
    // The upstream moves to `frame` and the processor primes again (the ramp goes on where it was).
    void Seek(int32_t frame) override;

    int32_t BlockFrames() const { return m_block; }
    int32_t HalfBlockFrames() const { return m_half; }
    // Upstream frames skipped after each block (B + H frames are read per block); the ramp moves the current
    // skip by SkipStep() per block until it reaches the target.
    int32_t CurrentSkip() const { return m_currentSkip; }
    int32_t TargetSkip() const { return m_targetSkip; }
    int32_t SkipStep() const { return m_skipStep; }

    static bool IsUsableSpeed(double speed);

private:
    void Prime();
    void Refill();

    int32_t m_block = 20;
    int32_t m_half = 10;
    std::vector<int32_t> m_main;    // B frames
    std::vector<int32_t> m_overlap; // H frames
    int32_t m_readIndex = 0;
    int32_t m_currentSkip = 0;
    int32_t m_targetSkip = 0;
    int32_t m_skipStep = 0;
};
