// MemorySource: a source over interleaved samples (silence outside them) that remembers its largest read, so tests
// can hold callers to 8192 frames a call. Header-only, for the tests, benchmarks and fuzz targets that link sound.
#pragma once

#include "sound/LSoundSource.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

class MemorySource final : public LSoundSourceBase {
public:
    MemorySource(std::vector<int32_t> samples, int32_t rate, uint8_t channels, int32_t fullScale = kFullScale16)
        : LSoundSourceBase(rate, fullScale, channels), m_samples(std::move(samples)) {}

    void Read(int32_t* samples, int32_t frames) override {
        if (frames <= 0)
            return;
        m_largestRead = std::max(m_largestRead, frames);
        m_framesRead += frames;
        // Silence before the start and after the end, the samples between.
        const int64_t channels = Channels();
        const int64_t first = std::clamp<int64_t>(-m_position, 0, frames);
        const int64_t end = std::clamp<int64_t>(Length() - m_position, first, frames);
        std::fill_n(samples, first * channels, 0);
        if (end > first)
            std::copy_n(m_samples.data() + (m_position + first) * channels, (end - first) * channels,
                        samples + first * channels);
        std::fill_n(samples + end * channels, (frames - end) * channels, 0);
        m_position += frames;
    }
    void Seek(int32_t frame) override { m_position = frame; }
    int32_t GetPosition() override {
        return static_cast<int32_t>(std::clamp<int64_t>(m_position, INT32_MIN, INT32_MAX));
    }
    int32_t GetLength() override { return static_cast<int32_t>(Length()); }

    int32_t LargestRead() const { return m_largestRead; }
    int64_t FramesRead() const { return m_framesRead; }

private:
    int64_t Length() const { return static_cast<int64_t>(m_samples.size()) / Channels(); }

    std::vector<int32_t> m_samples;
    int64_t m_position = 0;
    int32_t m_largestRead = 0;
    int64_t m_framesRead = 0;
};
