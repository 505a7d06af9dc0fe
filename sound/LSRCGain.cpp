#include "sound/LSRCGain.h"

#include "internal/ProcessorMaths.h"
#include "sound/LDecibelTable.h"

#include <algorithm>

using namespace processor_maths;

LSRCGain::LSRCGain(LSoundSourceHandle upstream, int8_t decibels) : LSoundProcessBase(std::move(upstream)) {
    m_factor = LDecibelTable::Amplitude(decibels);
    if (m_factor > kUnityGain)
        m_fullScale = ClampToInt32(static_cast<int64_t>(m_fullScale) * m_factor >> 24);
}

void LSRCGain::Read(int32_t* samples, int32_t frames) {
    if (frames <= 0)
        return;
    const int64_t count = static_cast<int64_t>(frames) * m_channels;
    if (IsInvalid()) {
        std::fill_n(samples, count, 0);
        return;
    }
    ReadInSteps(m_upstream.Get(), samples, frames, m_channels);
    for (int64_t i = 0; i < count; ++i)
        samples[i] = Q24ProductSaturated(samples[i], m_factor);
}
