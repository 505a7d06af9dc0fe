#include "WaveFileFrames.h"

#include "platform/WaveFormatRecord.h"

#include <fcntl.h>

namespace audio_internal {

namespace {

constexpr size_t kChunkFrames = 4096;
constexpr uint64_t kOne = uint64_t{1} << 32;

} // namespace

bool WaveFileFrames::Open(const std::string& path, const PcmFormat& wanted) {
    m_file = LFile::Open(path, O_RDONLY | O_CLOEXEC);
    if (!m_file.IsOpen() || !wanted.IsValid())
        return false;
    const std::optional<PcmWaveLayout> layout = ReadPcmWaveLayout(
        [this](void* buffer, size_t bytes, int64_t offset) { return m_file.ReadAt(buffer, bytes, offset); },
        m_file.Size());
    if (!layout)
        return false;
    m_layout = *layout;
    m_wanted = wanted;
    m_chunk.resize(kChunkFrames * m_layout.format.BytesPerFrame());
    m_chunkFrames = m_chunkNext = 0;
    m_fileFrame = 0;
    m_step = (uint64_t{m_layout.format.rate} << 32) / wanted.rate;
    m_fraction = 0;
    m_current.assign(wanted.channels, 0);
    m_next.assign(wanted.channels, 0);
    m_ended = !NextInput(m_current.data());
    m_hasNext = !m_ended && NextInput(m_next.data());
    return true;
}

bool WaveFileFrames::NextInput(int32_t* frame) {
    if (m_chunkNext == m_chunkFrames) {
        const int64_t left = m_layout.frames - m_fileFrame;
        if (left <= 0)
            return false;
        const size_t frameBytes = m_layout.format.BytesPerFrame();
        const size_t want = static_cast<size_t>(std::min<int64_t>(left, kChunkFrames));
        const int64_t got =
            m_file.ReadAt(m_chunk.data(), want * frameBytes, m_layout.dataOffset + m_fileFrame * frameBytes);
        if (got < static_cast<int64_t>(frameBytes))
            return false;
        m_chunkFrames = static_cast<size_t>(got) / frameBytes;
        m_chunkNext = 0;
        m_fileFrame += static_cast<int64_t>(m_chunkFrames);
    }
    const int inChannels = m_layout.format.channels;
    const int outChannels = m_wanted.channels;
    const uint8_t* in = m_chunk.data() + m_chunkNext * m_layout.format.BytesPerFrame();
    ++m_chunkNext;
    auto sample = [in](int channel) { return static_cast<int32_t>(static_cast<int16_t>(ReadLe16(in + 2 * channel))); };
    if (outChannels == inChannels) {
        for (int c = 0; c < outChannels; ++c)
            frame[c] = sample(c);
    } else if (outChannels == 1) {
        int32_t sum = 0;
        for (int c = 0; c < inChannels; ++c)
            sum += sample(c);
        frame[0] = sum / inChannels;
    } else {
        for (int c = 0; c < outChannels; ++c)
            frame[c] = sample(c % inChannels);
    }
    return true;
}

int64_t WaveFileFrames::Read(int16_t* samples, int64_t frames) {
    const int channels = m_wanted.channels;
    int64_t produced = 0;
    while (produced < frames && !m_ended) {
        // Between the current input frame and the next one (the last frame holds its value).
        const int64_t weight = static_cast<int64_t>(m_fraction >> 16); // 16 fraction bits are plenty here
        for (int c = 0; c < channels; ++c) {
            const int64_t from = m_current[static_cast<size_t>(c)];
            const int64_t to = m_hasNext ? m_next[static_cast<size_t>(c)] : from;
            *samples++ = static_cast<int16_t>(from + (((to - from) * weight) >> 16));
        }
        ++produced;
        m_fraction += m_step;
        while (m_fraction >= kOne && !m_ended) {
            m_fraction -= kOne;
            if (!m_hasNext) {
                m_ended = true;
                break;
            }
            m_current.swap(m_next);
            m_hasNext = NextInput(m_next.data());
        }
    }
    return produced;
}

} // namespace audio_internal
