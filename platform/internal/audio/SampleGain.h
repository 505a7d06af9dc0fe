// SampleGain: scales 16-bit samples in place by a gain, saturating at the 16-bit limits (software levels).
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace audio_internal {

inline void ApplyGain(int16_t* samples, size_t count, double gain) {
    if (gain == 1.0)
        return;
    for (size_t i = 0; i < count; ++i) {
        const double scaled = std::nearbyint(samples[i] * gain);
        samples[i] = static_cast<int16_t>(scaled > 32767.0 ? 32767.0 : scaled < -32768.0 ? -32768.0 : scaled);
    }
}

} // namespace audio_internal
