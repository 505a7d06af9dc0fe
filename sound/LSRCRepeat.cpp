#include "sound/LSRCRepeat.h"

#include "internal/ProcessorMaths.h"

#include <algorithm>

using namespace processor_maths;

LSRCRepeat::LSRCRepeat(LSoundSourceHandle upstream, int32_t loopStart, int32_t loopEnd)
    : LSoundProcessBase(std::move(upstream)) {
    m_loopStart = FramesForTime(loopStart, m_rate);
    m_loopEnd = FramesForTime(loopEnd, m_rate);
    if (m_loopEnd < m_loopStart)
        std::swap(m_loopStart, m_loopEnd);
    m_period = ClampToInt32(std::max<int64_t>(static_cast<int64_t>(m_loopEnd) - m_loopStart, kMinimumLoopFrames));
    if (!IsInvalid())
        m_remaining = static_cast<int64_t>(m_loopEnd) - m_upstream->GetPosition();
}

void LSRCRepeat::Read(int32_t* samples, int32_t frames) {
    if (frames <= 0)
        return;
    const int channels = m_channels;
    if (IsInvalid()) {
        std::fill_n(samples, static_cast<int64_t>(frames) * channels, 0);
        return;
    }
    int64_t owed = frames;
    while (m_remaining <= owed) {
        if (m_remaining > 0) {
            ReadInSteps(m_upstream.Get(), samples, m_remaining, channels);
            samples += m_remaining * channels;
            owed -= m_remaining;
        }
        m_upstream->Seek(m_loopStart);
        m_remaining = m_period;
    }
    ReadInSteps(m_upstream.Get(), samples, owed, channels);
    m_remaining -= owed;
}

void LSRCRepeat::Seek(int32_t frame) {
    if (IsInvalid()) {
        LSoundProcessBase::Seek(frame);
        return;
    }
    if (frame < m_loopEnd) {
        m_upstream->Seek(frame);
        m_remaining = static_cast<int64_t>(m_loopEnd) - frame;
        return;
    }
    const int64_t offset = (static_cast<int64_t>(frame) - m_loopEnd) % m_period;
    m_upstream->Seek(ClampToInt32(m_loopStart + offset));
    m_remaining = m_period - offset;
}
