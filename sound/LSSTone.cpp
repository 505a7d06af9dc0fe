#include "sound/LSSTone.h"

#include "sound/LDecibelTable.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <random>

namespace {

constexpr double kAmplitudeFactor = 0.0055242777; // a Q24 level of 0 dB becomes 65536 x sqrt(2)
constexpr double kPi = 3.14159265358979323846;

} // namespace

LSSTone::LSSTone(int32_t rate, double frequency, int waveform, int8_t level, int32_t duration, uint32_t noiseSeed)
    : LSoundSourceBase(rate, 0, 1) {
    const double levelValue = LDecibelTable::Amplitude(level);
    m_fullScale = static_cast<int32_t>(levelValue * 1.8 * kAmplitudeFactor);
    m_amplitude = static_cast<int32_t>(levelValue * kAmplitudeFactor);
    m_length = std::max(FramesForTime(duration, m_rate), 0);
    if (waveform < kSine || waveform > kNoise || !std::isfinite(frequency))
        MarkInvalid();
    if (IsInvalid())
        return;

    // step = truncate(frequency / rate x 2^27 + 0.5), taken modulo 2^27 like the phase it advances. A value too
    // large for 64 bits is a multiple of 2^27 already (doubles that large have no fraction bits); an infinite one
    // is no frequency at all.
    const double cycles = frequency / m_rate * 134217728.0;
    if (!std::isfinite(cycles)) {
        MarkInvalid();
        return;
    }
    const double step = std::fabs(cycles) < 4.0e18 ? std::trunc(cycles + 0.5) : std::fmod(cycles, 134217728.0);
    m_step = static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(step))) & kPhaseMask;
    if (waveform == kNoise)
        m_step = 32768; // one table entry per frame
    BuildTable(waveform, noiseSeed);
}

void LSSTone::BuildTable(int waveform, uint32_t noiseSeed) {
    m_table.assign(kTableSize, 0);
    const double a = m_amplitude;
    const int half = kTableSize / 2;
    switch (waveform) {
    case kSine:
        for (int i = 0; i < kTableSize; ++i)
            m_table[i] = static_cast<int32_t>(a * 1.4142 * std::sin(2 * kPi * i / kTableSize));
        break;
    case kSquare:
        for (int i = 0; i < kTableSize; ++i)
            m_table[i] = i < half ? m_amplitude : -m_amplitude;
        break;
    case kTriangle:
        for (int i = 0; i < half; ++i) {
            const int rising = i <= 1024 ? i : 2048 - i;
            m_table[i] = static_cast<int32_t>(a * 1.78885 / 1024 * rising);
        }
        break;
    case kSawtooth:
        for (int i = 0; i < half; ++i)
            m_table[i] = static_cast<int32_t>(a * 1.78885 / 2048 * i);
        break;
    case kImpulse:
        m_table[0] = 2 * m_amplitude;
        m_table[half] = -2 * m_amplitude;
        break;
    case kNoise: {
        // Noise centred on zero (an offset would be a constant level, not noise), spread over +-1.78885 A.
        const uint32_t seed = noiseSeed != 0
                                  ? noiseSeed
                                  : static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count());
        std::minstd_rand generator(seed);
        std::uniform_int_distribution<int> random(0, 32767);
        for (int i = 0; i < kTableSize; ++i)
            m_table[i] = static_cast<int32_t>((2 * random(generator) - 32767) * 1.78885 * a / 32767);
        break;
    }
    }
    if (waveform == kTriangle || waveform == kSawtooth)
        for (int i = 0; i < half; ++i)
            m_table[half + i] = -m_table[i];
}

void LSSTone::Read(int32_t* samples, int32_t frames) {
    if (frames <= 0)
        return;
    if (IsInvalid()) {
        std::fill_n(samples, frames, 0);
        m_position = static_cast<int32_t>(std::min<int64_t>(static_cast<int64_t>(m_position) + frames, INT32_MAX));
        return;
    }
    const int32_t* table = m_table.data();
    for (int32_t frame = 0; frame < frames; ++frame) {
        const uint32_t entry = m_phase >> 15;
        const int64_t first = table[entry];
        const int64_t second = table[(entry + 1) & (kTableSize - 1)];
        const int64_t weight = m_phase & 0x7fff;
        samples[frame] = static_cast<int32_t>(first + (((second - first) * weight) >> 15));
        m_phase = (m_phase + m_step) & kPhaseMask;
    }
    m_position = static_cast<int32_t>(std::min<int64_t>(static_cast<int64_t>(m_position) + frames, INT32_MAX));
}

void LSSTone::Seek(int32_t frame) {
    m_position = frame;
    m_phase = static_cast<uint32_t>((static_cast<int64_t>(frame) * m_step) & kPhaseMask);
}
