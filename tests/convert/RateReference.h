// RateReference: a slow, literal rendering of the rate converter's arithmetic for the tests to compare with:
// lazy phase normalisation, one 32-bit buffer of scaled samples, sums of products taken tap by tap. It reads a
// vector of interleaved samples (silence outside it) and keeps its own upstream position.
#pragma once

#include "LRateDesign.h"

#include <algorithm>
#include <cstdint>
#include <vector>

class RateReference {
public:
    RateReference(std::vector<int32_t> input, int channels, const LRateDesign& design)
        : m_input(std::move(input)), m_channels(channels), m_design(design), m_buffer(8192 * channels, 0) {
        Pull(m_buffer.data() + 31 * channels, 8161);
        Scale();
    }

    std::vector<int32_t> Read(int32_t frames) {
        std::vector<int32_t> out;
        const int32_t phases = m_design.Phases();
        for (int32_t frame = 0; frame < frames; ++frame) {
            m_index += m_phase / phases;
            m_phase %= phases;
            if (m_index > 8128) {
                for (int i = 0; i < 63 * m_channels; ++i)
                    m_buffer[i] = m_buffer[8129 * m_channels + i] << m_shift;
                Pull(m_buffer.data() + 63 * m_channels, 8129);
                Scale();
                m_index -= 8129;
            }
            for (int channel = 0; channel < m_channels; ++channel) {
                int64_t sum = 0;
                for (int tap = 0; tap < 63; ++tap)
                    sum +=
                        int64_t{m_design.Coefficient(m_phase, tap)} * m_buffer[(m_index + tap) * m_channels + channel];
                const int outputShift = 15 - m_shift;
                out.push_back(static_cast<int32_t>((sum + ((1 << outputShift) >> 1)) >> outputShift));
            }
            m_phase += m_design.Step();
        }
        return out;
    }

private:
    void Pull(int32_t* into, int32_t frames) {
        const int64_t length = static_cast<int64_t>(m_input.size()) / m_channels;
        for (int32_t frame = 0; frame < frames; ++frame, ++m_position)
            for (int channel = 0; channel < m_channels; ++channel)
                into[frame * m_channels + channel] =
                    (m_position >= 0 && m_position < length) ? m_input[m_position * m_channels + channel] : 0;
    }
    void Scale() {
        int32_t highest = 0, lowest = 0;
        for (int32_t value : m_buffer) {
            highest = std::max(highest, value);
            lowest = std::min(lowest, value);
        }
        const int32_t peak = std::max(highest, -lowest);
        m_shift = 0;
        while ((peak >> m_shift) > 0x7fff)
            ++m_shift;
        for (int32_t& value : m_buffer)
            value = (value + ((1 << m_shift) >> 1)) >> m_shift;
    }

    std::vector<int32_t> m_input;
    int m_channels;
    const LRateDesign& m_design;
    std::vector<int32_t> m_buffer;
    int64_t m_position = 0;
    int32_t m_index = 0;
    int32_t m_phase = 0;
    int m_shift = 0;
};
