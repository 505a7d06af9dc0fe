// LSRCConvertRate: processor that changes the sample rate with a 63-tap polyphase Kaiser-windowed sinc filter
// (LRateDesign), in integer arithmetic: each 8192-frame input buffer is scaled down to 16-bit range by the shift
// its loudest sample needs, so that 16-bit products summed in 32-bit lanes cannot overflow (the lanes are added
// in 64 bits). Positions and lengths are output frames. Pulled on its owner's thread; allocates only when built.
//
//   LSoundSourceHandle chain = MakeHandle<LSRCConvertRate>(reader, 8000);
//   if (chain->IsInvalid()) { /* the pair of rates cannot be served */ }
#pragma once

#include "sound/LRateDesign.h"
#include "sound/LSoundSource.h"

#include <cstdint>
#include <vector>

class LSRCConvertRate final : public LSoundProcessBase {
public:
    static constexpr int32_t kBufferFrames = 8192;                               // input buffer
    static constexpr int32_t kRefillFrames = kBufferFrames - LRateDesign::kTaps; // 8129 new frames per refill
    static constexpr int32_t kLastWindowStart = kRefillFrames - 1;               // 8128

    // Invalid when the upstream is, or when the design cannot serve its rate and `targetRate`
    // (LRateDesign::GetVerdict); reads 8161 frames from the upstream when valid.
    LSRCConvertRate(LSoundSourceHandle upstream, int32_t targetRate);

    // Any count of output frames; silence when invalid.
    void Read(int32_t* samples, int32_t frames) override;
    // Output frame `frame`: the upstream moves to 31 frames before its matching input frame and the buffer is
    // filled afresh.
    void Seek(int32_t frame) override;
    // The output frame that the next Read delivers first.
    int32_t GetPosition() override;
    // The upstream length in output frames, rounded down.
    int32_t GetLength() override;

    const LRateDesign& Design() const { return m_design; }
    // The down-shift s applied to the samples now buffered (0 while silent).
    int DownShift() const { return m_shift; }

private:
    void FillFresh(int32_t leadInFrames);
    void Refill();
    void ScaleBuffer(const int64_t* restored, int32_t restoredSamples);
    int32_t ComputeFrame(int channel) const;
    int32_t Finish(int64_t sum) const;
    int64_t ToOutputFrames(int64_t inputFrames) const;

    LRateDesign m_design;
    std::vector<int32_t> m_buffer;      // kBufferFrames x channels, interleaved, scaled down by m_shift
    std::vector<int16_t> m_planes;      // the same samples per channel (kBufferFrames each) for the vector kernel
    std::vector<int16_t> m_kernelTable; // L rows of 64 taps (tap 63 is 0)
    std::vector<int64_t> m_carry;       // the 63 frames kept across a refill, back at full scale
    int32_t m_index = 0;                // buffer frame where the current 63-tap window starts
    int32_t m_phase = 0;                // 0..L-1
    int32_t m_wholeStep = 0;            // M / L
    int32_t m_fractionStep = 0;         // M mod L
    int m_shift = 0;
    bool m_planesUsable = false; // no sample of the buffer is 0x8000 (which 16 bits cannot hold)
};
