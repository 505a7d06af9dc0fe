// LSRCPeakLimit: look-ahead peak limiter that keeps every sample within its level L. It holds three blocks of
// B = rate / 35 frames (20..8192): the one playing and two ahead. Each block's gain (about L / peak, Q24) is
// known two blocks before it plays, and the running gain ramps frame by frame so that it has come down before a
// loud block and rises only as fast as the surrounding blocks allow. Pulled on its owner's thread; allocates
// only when built. Positions are the upstream's less the 3 B - read index frames held.
//
//   LSoundSourceHandle chain = MakeHandle<LSRCPeakLimit>(converter, kFullScale16);
#pragma once

#include "sound/LSoundSource.h"

#include <cstdint>
#include <vector>

class LSRCPeakLimit final : public LSoundProcessBase {
public:
    static constexpr int32_t kCeiling = 0x3fffff; // the largest level the gain maths can work with

    // The level is the lower of `level` and kCeiling; a level below 1 makes the limiter invalid. Primes (reads
    // three blocks) when valid.
    LSRCPeakLimit(LSoundSourceHandle upstream, int32_t level);

    // Any count of frames; silence when invalid.
    void Read(int32_t* samples, int32_t frames) override;
    // The upstream moves to `frame` and the limiter primes again.
    void Seek(int32_t frame) override;
    int32_t GetPosition() override;

    int32_t Level() const { return m_fullScale; }
    int32_t BlockFrames() const { return m_block; }
    // The gain a block needs: 0x1000000 when its peak P is at most L, else ((L << 9) / ((P + 64) >> 6)) << 9.
    static uint32_t BlockGain(const int32_t* samples, int64_t count, int32_t level);

private:
    void Prime();
    void Rotate();
    void StartRamp();
    int32_t* Block(int slot) { return m_blocks.data() + static_cast<size_t>(slot) * m_block * m_channels; }

    int32_t m_block = 20;
    std::vector<int32_t> m_blocks; // three blocks of B frames
    int m_current = 0;             // slot of the block playing; the next two follow modulo 3
    int32_t m_readIndex = 0;
    int32_t m_previousGain = 0; // G0: the block that has just finished playing
    int32_t m_gains[3] = {};    // G1, G2, G3: the block playing and the two ahead
    int32_t m_gain = 0;         // g, Q24
    int32_t m_gainStep = 0;     // per frame
};
