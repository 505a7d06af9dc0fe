// LSRCHighPass: one-pole high-pass filter (removes a constant offset and rumble) with an integrator per channel:
// y = x - (s >> 8), s += y k, k = truncate((1 - e^(-2 pi f / rate)) x 256). The full scale doubles when it is at
// most 0x100000 (the output may swing further than the input). Pulled on its owner's thread.
//
//   LSoundSourceHandle chain = MakeHandle<LSRCHighPass>(reader, 100.0);   // corner near 100 Hz
#pragma once

#include "sound/LSoundSource.h"

#include <cstdint>
#include <vector>

class LSRCHighPass final : public LSoundProcessBase {
public:
    // A cutoff of 0 or below (or not finite) gives k = 0: samples pass untouched.
    LSRCHighPass(LSoundSourceHandle upstream, double cutoff);

    // Any count of frames; silence when invalid.
    void Read(int32_t* samples, int32_t frames) override;
    // Passes to the upstream and clears every integrator.
    void Seek(int32_t frame) override;

    int32_t Coefficient() const { return m_coefficient; }

private:
    int32_t m_coefficient = 0;
    std::vector<int64_t> m_state; // one per channel
};
