// LSSTone: test-tone generator, one channel: sine, square, triangle, sawtooth, impulse or noise from a table of
// 4096 entries, read with a 27-bit phase and linear interpolation. Levels come from the decibel table.
// Generates past its length like any generator; pulled on its owner's thread.
//
//   LSoundSourceHandle tone = MakeHandle<LSSTone>(8000, 1000.0, LSSTone::kSine, int8_t{-6}, 20000);   // 2 s
#pragma once

#include "sound/LSoundSource.h"

#include <cstdint>
#include <vector>

class LSSTone final : public LSoundSourceBase {
public:
    enum Waveform : int { kSine = 0, kSquare = 1, kTriangle = 2, kSawtooth = 3, kImpulse = 4, kNoise = 5 };
    static constexpr int kTableSize = 4096;
    static constexpr uint32_t kPhaseMask = (1u << 27) - 1;

    // `level` is a decibel index into the amplitude table; `duration` a time value (1/10000 s). Invalid (and
    // silent) for a rate below 1, a waveform outside 0..5 or a frequency that is not finite. `noiseSeed` 0 seeds
    // the noise from the clock.
    LSSTone(int32_t rate, double frequency, int waveform, int8_t level, int32_t duration, uint32_t noiseSeed = 0);

    void Read(int32_t* samples, int32_t frames) override;
    // The position becomes `frame` and the phase the one that frame has when played from frame 0.
    void Seek(int32_t frame) override;
    int32_t GetPosition() override { return m_position; }
    int32_t GetLength() override { return m_length; }

    // The amplitude A (RMS of every waveform; the sine's peak is A x 1.4142) and the table.
    int32_t Amplitude() const { return m_amplitude; }
    const std::vector<int32_t>& Table() const { return m_table; }
    uint32_t PhaseStep() const { return m_step; }

private:
    void BuildTable(int waveform, uint32_t noiseSeed);

    std::vector<int32_t> m_table;
    int32_t m_amplitude = 0;
    int32_t m_length = 0;
    int32_t m_position = 0;
    uint32_t m_phase = 0;
    uint32_t m_step = 0;
};
