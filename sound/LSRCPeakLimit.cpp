#include "sound/LSRCPeakLimit.h"

#include "internal/ProcessorMaths.h"

#include <algorithm>

using namespace processor_maths;

LSRCPeakLimit::LSRCPeakLimit(LSoundSourceHandle upstream, int32_t level) : LSoundProcessBase(std::move(upstream)) {
    m_fullScale = std::min(level, kCeiling);
    m_block = std::clamp(m_rate / 35, 20, 8192);
    if (level < 1)
        MarkInvalid();
    if (IsInvalid())
        return;
    m_blocks.assign(static_cast<size_t>(3) * m_block * m_channels, 0);
    Prime();
}

uint32_t LSRCPeakLimit::BlockGain(const int32_t* samples, int64_t count, int32_t level) {
    const int64_t peak = PeakMagnitude(samples, count);
    if (peak <= level)
        return kUnityGain;
    return static_cast<uint32_t>(((static_cast<int64_t>(level) << 9) / ((peak + 64) >> 6)) << 9);
}

void LSRCPeakLimit::Prime() {
    const int64_t blockSamples = static_cast<int64_t>(m_block) * m_channels;
    m_current = 0;
    for (int slot = 0; slot < 3; ++slot) {
        m_upstream->Read(Block(slot), m_block);
        m_gains[slot] = static_cast<int32_t>(BlockGain(Block(slot), blockSamples, m_fullScale));
    }
    m_previousGain = m_gains[0];
    m_gain = m_gains[0];
    StartRamp();
}

void LSRCPeakLimit::StartRamp() {
    // Head for the lower of the gains of this block and the next, or for the average of the four blocks around,
    // whichever is lower; the remainder of the change is taken at once, the rest in equal steps per frame.
    const int32_t average = (m_previousGain + m_gains[0] + m_gains[1] + m_gains[2]) >> 2;
    const int32_t change = std::min(std::min(m_gains[0], m_gains[1]) - m_gain, average - m_gain);
    m_gainStep = change / m_block;
    m_gain += change % m_block;
    m_readIndex = 0;
}

void LSRCPeakLimit::Rotate() {
    const int64_t blockSamples = static_cast<int64_t>(m_block) * m_channels;
    const int refill = m_current;
    m_current = (m_current + 1) % 3;
    m_upstream->Read(Block(refill), m_block);
    m_previousGain = m_gains[0];
    m_gains[0] = m_gains[1];
    m_gains[1] = m_gains[2];
    m_gains[2] = static_cast<int32_t>(BlockGain(Block(refill), blockSamples, m_fullScale));
    StartRamp();
}

void LSRCPeakLimit::Read(int32_t* samples, int32_t frames) {
    if (frames <= 0)
        return;
    const int channels = m_channels;
    if (IsInvalid()) {
        std::fill_n(samples, static_cast<int64_t>(frames) * channels, 0);
        return;
    }
    const int32_t level = m_fullScale;
    while (frames > 0) {
        const int32_t step = std::min(frames, m_block - m_readIndex);
        const int32_t* in = Block(m_current) + static_cast<size_t>(m_readIndex) * channels;
        const int64_t count = static_cast<int64_t>(step) * channels;
        if (m_gain >= static_cast<int32_t>(kUnityGain) && m_gainStep == 0) {
            std::copy_n(in, count, samples);
        } else {
            // The Q24 product can land a unit or two beyond the exact product for negative samples: the level
            // is a promise, so the result is held to it.
            for (int32_t frame = 0; frame < step; ++frame) {
                const uint32_t gain = static_cast<uint32_t>(m_gain);
                for (int channel = 0; channel < channels; ++channel) {
                    const int32_t value = Q24Product(in[frame * channels + channel], gain);
                    samples[frame * channels + channel] = std::clamp(value, -level, level);
                }
                m_gain += m_gainStep;
            }
        }
        samples += count;
        frames -= step;
        m_readIndex += step;
        if (m_readIndex >= m_block)
            Rotate();
    }
}

void LSRCPeakLimit::Seek(int32_t frame) {
    LSoundProcessBase::Seek(frame);
    if (!IsInvalid())
        Prime();
}

int32_t LSRCPeakLimit::GetPosition() {
    if (IsInvalid())
        return LSoundProcessBase::GetPosition();
    return ClampToInt32(static_cast<int64_t>(m_upstream->GetPosition()) -
                        (3 * static_cast<int64_t>(m_block) - m_readIndex));
}
