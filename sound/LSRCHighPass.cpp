#include "sound/LSRCHighPass.h"

#include "internal/ProcessorMaths.h"

#include <algorithm>
#include <cmath>

using namespace processor_maths;

LSRCHighPass::LSRCHighPass(LSoundSourceHandle upstream, double cutoff) : LSoundProcessBase(std::move(upstream)) {
    if (m_fullScale <= 0x100000)
        m_fullScale = ClampToInt32(static_cast<int64_t>(m_fullScale) * 2);
    if (std::isfinite(cutoff) && cutoff > 0) {
        const double k = std::trunc((1.0 - std::exp(-2.0 * 3.14159265358979323846 * cutoff / m_rate)) * 256.0);
        m_coefficient = static_cast<int32_t>(std::clamp(k, 0.0, 256.0));
    }
    m_state.assign(m_channels, 0);
}

void LSRCHighPass::Read(int32_t* samples, int32_t frames) {
    if (frames <= 0)
        return;
    const int channels = m_channels;
    if (IsInvalid()) {
        std::fill_n(samples, static_cast<int64_t>(frames) * channels, 0);
        return;
    }
    ReadInSteps(m_upstream.Get(), samples, frames, channels);
    if (m_coefficient == 0)
        return;
    // The integrators are kept in 64 bits: for any input they stay within 256 times its largest magnitude, so
    // neither they nor y can overflow; y is held to 32 bits when stored.
    for (int channel = 0; channel < channels; ++channel) {
        int64_t state = m_state[channel];
        for (int32_t frame = 0; frame < frames; ++frame) {
            int32_t& sample = samples[static_cast<int64_t>(frame) * channels + channel];
            const int64_t y = sample - (state >> 8);
            sample = ClampToInt32(y);
            state += y * m_coefficient;
        }
        m_state[channel] = state;
    }
}

void LSRCHighPass::Seek(int32_t frame) {
    LSoundProcessBase::Seek(frame);
    std::fill(m_state.begin(), m_state.end(), 0);
}
