#include "sound/LSRCSpeed.h"

#include "internal/ProcessorMaths.h"

#include <algorithm>
#include <cmath>

using namespace processor_maths;

namespace {

// truncate((speed - 1) x B) - H, kept to 32 bits.
int32_t SkipForSpeed(double speed, int32_t block, int32_t half) {
    const double skip = std::trunc((speed - 1.0) * block) - half;
    return ClampToInt32(static_cast<int64_t>(std::clamp(skip, -2147483648.0, 2147483647.0)));
}

} // namespace

bool LSRCSpeed::IsUsableSpeed(double speed) {
    return std::isfinite(speed) && std::fabs(speed) <= kMaxSpeed;
}

LSRCSpeed::LSRCSpeed(LSoundSourceHandle upstream, double startSpeed, double endSpeed, int32_t rampTime)
    : LSoundProcessBase(std::move(upstream)) {
    m_block = std::clamp(m_rate / 40, 20, 8192);
    m_half = m_block / 2;
    if (!IsUsableSpeed(startSpeed) || !IsUsableSpeed(endSpeed))
        MarkInvalid();
    if (IsInvalid())
        return;

    m_currentSkip = m_targetSkip = SkipForSpeed(startSpeed, m_block, m_half);
    if (rampTime > 0) {
        m_targetSkip = SkipForSpeed(endSpeed, m_block, m_half);
        const int64_t blocks = FramesForTime(rampTime, m_rate) / m_block + 1;
        m_skipStep = ClampToInt32((static_cast<int64_t>(m_targetSkip) - m_currentSkip) / blocks);
        // A ramp shorter than the blocks it spans would never move: step by one frame per block instead.
        if (m_skipStep == 0 && m_targetSkip != m_currentSkip)
            m_skipStep = m_targetSkip > m_currentSkip ? 1 : -1;
    }
    m_main.assign(static_cast<size_t>(m_block) * m_channels, 0);
    m_overlap.assign(static_cast<size_t>(m_half) * m_channels, 0);
    Prime();
}

void LSRCSpeed::Prime() {
    const int32_t position = m_upstream->GetPosition();
    m_upstream->Read(m_overlap.data(), m_half);
    m_upstream->Seek(position);
    m_readIndex = m_block;
}

void LSRCSpeed::Refill() {
    const int channels = m_channels;
    m_upstream->Read(m_main.data(), m_block);

    const int32_t fadeSamples = channels * m_half;
    const uint32_t rampStep = kUnityGain / static_cast<uint32_t>(fadeSamples);
    for (int32_t i = 0; i < fadeSamples; ++i) {
        const uint32_t rising = static_cast<uint32_t>(i) * rampStep;
        const int64_t mixed =
            static_cast<int64_t>(Q24Product(m_main[i], rising)) + Q24Product(m_overlap[i], kUnityGain - rising);
        m_main[i] = ClampToInt32(mixed);
    }
    m_upstream->Read(m_overlap.data(), m_half);
    m_readIndex = 0;

    const int64_t next = std::max<int64_t>(static_cast<int64_t>(m_upstream->GetPosition()) + m_currentSkip, 0);
    m_upstream->Seek(ClampToInt32(next));

    if (m_currentSkip != m_targetSkip) {
        const int64_t stepped = static_cast<int64_t>(m_currentSkip) + m_skipStep;
        const bool passed = (m_currentSkip < m_targetSkip && m_targetSkip < stepped) ||
                            (m_currentSkip > m_targetSkip && stepped < m_targetSkip);
        m_currentSkip = passed ? m_targetSkip : static_cast<int32_t>(stepped);
    }
}

void LSRCSpeed::Read(int32_t* samples, int32_t frames) {
    if (frames <= 0)
        return;
    const int channels = m_channels;
    if (IsInvalid()) {
        std::fill_n(samples, static_cast<int64_t>(frames) * channels, 0);
        return;
    }
    while (frames > 0) {
        if (m_readIndex >= m_block)
            Refill();
        const int32_t step = std::min(frames, m_block - m_readIndex);
        std::copy_n(m_main.data() + static_cast<size_t>(m_readIndex) * channels, static_cast<size_t>(step) * channels,
                    samples);
        samples += static_cast<int64_t>(step) * channels;
        frames -= step;
        m_readIndex += step;
    }
}

void LSRCSpeed::Seek(int32_t frame) {
    LSoundProcessBase::Seek(frame);
    if (!IsInvalid())
        Prime();
}
