#include "sound/LSoundSinkStubBase.h"

#include <algorithm>

LSoundSinkStubBase::LSoundSinkStubBase(int32_t rate, uint8_t channels) {
    m_rate = rate;
    m_fullScale = kFullScaleUnknown;
    m_channels = channels == 0 ? 1 : channels;
}

void LSoundSinkStubBase::Write(const int32_t*, int32_t frames) {
    m_length += std::max(frames, 0);
}

namespace {

int32_t RateOf(const LSoundSinkHandle& sink) {
    return sink ? sink->Rate() : kDefaultRate;
}
int ChannelsOf(const LSoundSinkHandle& sink) {
    return sink ? sink->Channels() : 1;
}

} // namespace

LSoundSinkSplitBase::LSoundSinkSplitBase(LSoundSinkHandle left, LSoundSinkHandle right)
    : m_left(std::move(left)), m_right(std::move(right)), m_buffer(kMaxFramesPerCall) {
    m_rate = RateOf(m_left);
    m_fullScale = kFullScaleUnknown;
    m_channels = 2;
    if (RateOf(m_left) != RateOf(m_right) || ChannelsOf(m_left) != 1 || ChannelsOf(m_right) != 1)
        MarkError();
}

void LSoundSinkSplitBase::Write(const int32_t* samples, int32_t frames) {
    if (frames <= 0)
        return;
    m_length += frames;
    if (IsInError())
        return;
    for (int32_t done = 0; done < frames; done += kMaxFramesPerCall) {
        const int32_t count = std::min(frames - done, kMaxFramesPerCall);
        if (m_left)
            WriteChannel(*m_left, samples + 2 * done, count, 0);
        if (m_right)
            WriteChannel(*m_right, samples + 2 * done, count, 1);
    }
}

void LSoundSinkSplitBase::WriteChannel(LSoundSink& sink, const int32_t* samples, int32_t frames, int channel) {
    for (int32_t i = 0; i < frames; ++i)
        m_buffer[static_cast<size_t>(i)] = samples[2 * i + channel];
    sink.Write(m_buffer.data(), frames);
}
