#include "sound/LSRCConvChannels.h"

#include <algorithm>

LSRCConvChannels::LSRCConvChannels(LSoundSourceHandle upstream, uint16_t targetChannels, int requiredUpstreamChannels)
    : LSoundProcessBase(std::move(upstream)) {
    m_upstreamChannels = m_channels;
    const uint16_t target = targetChannels == 0 ? 1 : targetChannels;
    if (target > 255 || (requiredUpstreamChannels > 0 && m_upstreamChannels != requiredUpstreamChannels))
        MarkInvalid();
    m_channels = static_cast<uint8_t>(std::min<uint16_t>(target, 255));
    if (!IsInvalid())
        m_buffer.assign(static_cast<size_t>(kBufferFrames) * m_upstreamChannels, 0);
}

void LSRCConvChannels::Read(int32_t* samples, int32_t frames) {
    if (frames <= 0)
        return;
    if (IsInvalid()) {
        std::fill_n(samples, static_cast<int64_t>(frames) * m_channels, 0);
        return;
    }
    while (frames > 0) {
        const int32_t step = std::min(frames, kBufferFrames);
        m_upstream->Read(m_buffer.data(), step);
        Convert(m_buffer.data(), samples, step);
        samples += static_cast<int64_t>(step) * m_channels;
        frames -= step;
    }
}
