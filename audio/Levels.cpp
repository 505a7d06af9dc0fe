#include "audio/Levels.h"

#include <cmath>

namespace {

// Whole decibels rounded away from zero at the half (the reference itself reads 0), clamped to -127..127.
int8_t RoundedDb(double decibels, bool atOrAboveReference) {
    const double rounded = std::trunc(decibels + (atOrAboveReference ? 0.5 : -0.5));
    return static_cast<int8_t>(std::clamp(rounded, -127.0, 127.0));
}

} // namespace

void PeakLevelDb(const int32_t* samples, int32_t frames, uint8_t channels, LDBMC& levels) {
    levels.Resize(channels);
    constexpr int64_t kReference = 131072;
    for (uint8_t channel = 0; channel < channels; ++channel) {
        int64_t peak = 0;
        for (int32_t frame = 0; frame < frames; ++frame) {
            const int64_t sample = samples[static_cast<int64_t>(frame) * channels + channel];
            peak = std::max(peak, sample < 0 ? -sample : sample);
        }
        levels[channel] =
            peak == 0 ? LDBMC::kSilence
                      : RoundedDb(20.0 * std::log10(static_cast<double>(peak) / kReference), peak >= kReference);
    }
}

void MeanSquareLevelDb(const int32_t* samples, int32_t frames, uint8_t channels, LDBMC& levels) {
    levels.Resize(channels);
    constexpr uint64_t kReference = 8388626;
    for (uint8_t channel = 0; channel < channels; ++channel) {
        uint64_t high = 0;
        uint64_t low = 0;
        for (int32_t frame = 0; frame < frames; ++frame) {
            const int64_t q = samples[static_cast<int64_t>(frame) * channels + channel] >> 5;
            const uint64_t square = static_cast<uint64_t>(q * q);
            high += square >> 13;
            low += square & 0x1fff;
        }
        const uint64_t sum = high + (low >> 13);
        const uint64_t n = frames > 0 ? static_cast<uint64_t>(frames) : 1;
        const uint64_t mean = (sum / n) * 8192 + ((sum % n) * 8192) / n;
        levels[channel] =
            mean == 0 ? LDBMC::kSilence
                      : RoundedDb(10.0 * std::log10(static_cast<double>(mean) / kReference), mean >= kReference);
    }
}
