// LSRCGain: processor that scales every sample by a fixed gain from the decibel table (Q24 product, held to
// 32 bits instead of wrapping). A gain above unity raises the full scale by the same factor, so that a limiter
// placed after it knows the samples may now be louder. Pulled on its owner's thread.
//
//   LSoundSourceHandle chain = MakeHandle<LSRCGain>(reader, int8_t{6});   // +6 dB
#pragma once

#include "sound/LSoundSource.h"

#include <cstdint>

class LSRCGain final : public LSoundProcessBase {
public:
    LSRCGain(LSoundSourceHandle upstream, int8_t decibels);

    // Any count of frames; silence when invalid.
    void Read(int32_t* samples, int32_t frames) override;

    uint32_t Factor() const { return m_factor; }

private:
    uint32_t m_factor = 0;
};
