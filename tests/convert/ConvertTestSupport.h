// ConvertTestSupport: signals and measurements shared by the converter tests: sine tones, reading a source in
// blocks of given sizes, RMS levels, and sources that are empty, invalid or loud beyond any full scale.
#pragma once

#include "LSoundSource.h"
#include "MemorySource.h"

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace convert_test {

inline constexpr double kPi = 3.14159265358979323846;

// `frames` frames of a sine of `frequency` Hz and peak `amplitude`, the same in every channel.
inline std::vector<int32_t> Sine(int32_t rate, double frequency, int32_t frames, double amplitude, int channels = 1) {
    std::vector<int32_t> samples(static_cast<size_t>(frames) * channels);
    for (int32_t frame = 0; frame < frames; ++frame)
        for (int channel = 0; channel < channels; ++channel)
            samples[static_cast<size_t>(frame) * channels + channel] =
                static_cast<int32_t>(std::lround(amplitude * std::sin(2 * kPi * frequency * frame / rate)));
    return samples;
}

// Reproducible noise in -amplitude..amplitude.
inline std::vector<int32_t> Noise(int64_t samples, int32_t amplitude, uint32_t seed = 1) {
    std::vector<int32_t> values(samples);
    uint32_t state = seed;
    for (auto& value : values) {
        state = state * 1664525u + 1013904223u;
        value = static_cast<int32_t>(static_cast<int64_t>(state >> 8) % (2 * int64_t{amplitude} + 1) - amplitude);
    }
    return values;
}

inline LSoundSourceHandle Memory(std::vector<int32_t> samples, int32_t rate, uint8_t channels = 1,
                                 int32_t fullScale = kFullScale16) {
    return MakeHandle<MemorySource>(std::move(samples), rate, channels, fullScale);
}

// Reads `frames` frames, in blocks whose sizes cycle through `blocks`.
inline std::vector<int32_t> ReadInBlocks(LSoundSource& source, int32_t frames, std::initializer_list<int32_t> blocks) {
    std::vector<int32_t> out(static_cast<size_t>(frames) * source.Channels());
    int32_t done = 0;
    for (auto block = blocks.begin(); done < frames;) {
        const int32_t step = std::min(*block, frames - done);
        source.Read(out.data() + static_cast<size_t>(done) * source.Channels(), step);
        done += step;
        if (++block == blocks.end())
            block = blocks.begin();
    }
    return out;
}

inline std::vector<int32_t> ReadAll(LSoundSource& source, int32_t frames) {
    return ReadInBlocks(source, frames, {8192});
}

// RMS of one channel over frames [first, first + count).
inline double Rms(const std::vector<int32_t>& samples, int channels, int channel, int64_t first, int64_t count) {
    double sum = 0;
    for (int64_t frame = first; frame < first + count; ++frame) {
        const double value = samples[static_cast<size_t>(frame * channels + channel)];
        sum += value * value;
    }
    return std::sqrt(sum / static_cast<double>(count));
}

inline double Decibels(double ratio) {
    return 20 * std::log10(ratio);
}

// A source that marks itself invalid (a rate of 0).
inline LSoundSourceHandle InvalidSource() {
    return MakeHandle<MemorySource>(std::vector<int32_t>(100, 5000), 0, 1);
}

} // namespace convert_test
