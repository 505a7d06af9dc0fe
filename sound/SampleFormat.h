// SampleFormat: the pipeline's sample scales, the stored sample formats (LSFU8, LSF16, LSF32), the Q24 gain
// product and the conversions between frames and time values (1/10000 s).
#pragma once

#include <algorithm>
#include <cstdint>

inline constexpr int32_t kFullScale16 = 0x7fff0;      // 16- and 32-bit files
inline constexpr int32_t kFullScale8 = 0x3f800;       // 8-bit files
inline constexpr int32_t kFullScaleUnknown = 0x200000; // a stream of no known origin
inline constexpr int32_t kDefaultRate = 44100;
inline constexpr int32_t kMaxFramesPerCall = 8192; // readers, writers and converters stage calls in this many frames
inline constexpr uint32_t kUnityGain = 0x1000000;  // Q24

// Stored 8-bit unsigned samples.
struct LSFU8 {
    using Stored = uint8_t;
    static constexpr int kBits = 8;
    static constexpr int32_t kFullScale = kFullScale8;
    static int32_t ToPipeline(Stored value) { return (static_cast<int32_t>(value) - 128) * 2048; }
    // Saturates instead of wrapping, so an overloaded sample clips rather than clicks.
    static Stored FromPipeline(int32_t sample) {
        const int64_t stored = ((static_cast<int64_t>(sample) + 1024) >> 11) + 128;
        return static_cast<Stored>(std::clamp<int64_t>(stored, 0, 255));
    }
};

// Stored 16-bit signed samples.
struct LSF16 {
    using Stored = int16_t;
    static constexpr int kBits = 16;
    static constexpr int32_t kFullScale = kFullScale16;
    static int32_t ToPipeline(Stored value) { return static_cast<int32_t>(value) * 16; }
    static Stored FromPipeline(int32_t sample) {
        const int64_t stored = (static_cast<int64_t>(sample) + 8) >> 4;
        return static_cast<Stored>(std::clamp<int64_t>(stored, INT16_MIN, INT16_MAX));
    }
};

// Stored 32-bit signed samples.
struct LSF32 {
    using Stored = int32_t;
    static constexpr int kBits = 32;
    static constexpr int32_t kFullScale = kFullScale16;
    static int32_t ToPipeline(Stored value) { return static_cast<int32_t>((static_cast<int64_t>(value) + 2048) >> 12); }
    static Stored FromPipeline(int32_t sample) {
        const int64_t stored = static_cast<int64_t>(sample) * 4096;
        return static_cast<Stored>(std::clamp<int64_t>(stored, INT32_MIN, INT32_MAX));
    }
};

// The library's gain product s × g (g unsigned Q24) without the product of the two low parts:
// (s >> 12)(g >> 12) + (((s & 0xfff)(g >> 12)) >> 12) + (((s >> 12)(g & 0xfff)) >> 12), shifts arithmetic.
// The sum is formed in 64 bits and kept to 32 as the 32-bit form would.
inline int32_t Q24Product(int32_t sample, uint32_t gain) {
    const int64_t high = sample >> 12;
    const int64_t low = sample & 0xfff;
    const int64_t gainHigh = gain >> 12;
    const int64_t gainLow = gain & 0xfff;
    const int64_t sum = high * gainHigh + ((low * gainHigh) >> 12) + ((high * gainLow) >> 12);
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(sum)));
}

// Frames for a time value t (1/10000 s) at `rate`: (t / 10000) r + ((t mod 10000) r) / 10000.
inline int32_t FramesForTime(int32_t time, int32_t rate) {
    const int64_t frames = static_cast<int64_t>(time / 10000) * rate + static_cast<int64_t>(time % 10000) * rate / 10000;
    return static_cast<int32_t>(std::clamp<int64_t>(frames, INT32_MIN, INT32_MAX));
}

// Time value of f frames at `rate`: (f / r) 10000 + ((f mod r) 10000) / r; 0 for a rate below 1.
inline int32_t TimeForFrames(int32_t frames, int32_t rate) {
    if (rate < 1)
        return 0;
    const int64_t time = static_cast<int64_t>(frames / rate) * 10000 + static_cast<int64_t>(frames % rate) * 10000 / rate;
    return static_cast<int32_t>(std::clamp<int64_t>(time, INT32_MIN, INT32_MAX));
}
