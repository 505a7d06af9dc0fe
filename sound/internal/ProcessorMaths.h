// ProcessorMaths: small integer helpers the converters and level processors share: floor division, 32-bit
// clamping, a saturating Q24 gain product, and upstream reads split into calls of at most 8192 frames.
#pragma once

#include "sound/LSoundSource.h"
#include "sound/SampleFormat.h"

#include <algorithm>
#include <cstdint>

namespace processor_maths {

inline int32_t ClampToInt32(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

// Division rounding towards minus infinity (the converters' frame maths must not round negative frames up).
inline int64_t FloorDivide(int64_t numerator, int64_t denominator) {
    int64_t quotient = numerator / denominator;
    if ((numerator % denominator != 0) && ((numerator < 0) != (denominator < 0)))
        --quotient;
    return quotient;
}

// The library's Q24 product (SampleFormat.h) with its sum clamped to 32 bits instead of wrapped.
inline int32_t Q24ProductSaturated(int32_t sample, uint32_t gain) {
    const int64_t high = sample >> 12;
    const int64_t low = sample & 0xfff;
    const int64_t gainHigh = gain >> 12;
    const int64_t gainLow = gain & 0xfff;
    return ClampToInt32(high * gainHigh + ((low * gainHigh) >> 12) + ((high * gainLow) >> 12));
}

// The peak magnitude of `count` samples: the larger of the maximum and the negated minimum, both from 0.
inline int64_t PeakMagnitude(const int32_t* samples, int64_t count) {
    int32_t highest = 0;
    int32_t lowest = 0;
    for (int64_t i = 0; i < count; ++i) {
        highest = std::max(highest, samples[i]);
        lowest = std::min(lowest, samples[i]);
    }
    return std::max<int64_t>(highest, -static_cast<int64_t>(lowest));
}

// Reads `frames` frames of `channels` samples each from `source` in calls of at most kMaxFramesPerCall frames;
// an empty source gives silence.
inline void ReadInSteps(LSoundSource* source, int32_t* samples, int64_t frames, int channels) {
    while (frames > 0) {
        const int32_t step = static_cast<int32_t>(std::min<int64_t>(frames, kMaxFramesPerCall));
        if (source)
            source->Read(samples, step);
        else
            std::fill_n(samples, static_cast<int64_t>(step) * channels, 0);
        samples += static_cast<int64_t>(step) * channels;
        frames -= step;
    }
}

} // namespace processor_maths
