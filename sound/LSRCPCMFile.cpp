#include "sound/LSRCPCMFile.h"

#include "internal/StoredSample.h"
#include "internal/WaveChunks.h"

#include <algorithm>
#include <limits>

LSRCPCMFileBase::LSRCPCMFileBase(LFile file, int32_t rate, uint8_t channels, int32_t fullScale, int bytesPerSample,
                                 int64_t dataOffset, bool ownLayout)
    : LSoundSourceBase(rate, fullScale, channels), m_file(std::move(file)), m_dataOffset(dataOffset),
      m_sizeFieldOffset(dataOffset - 4), m_ownLayout(ownLayout), m_bytesPerSample(bytesPerSample) {
    if (!m_file.IsOpen() || bytesPerSample < 1 || dataOffset < 4) {
        MarkInvalid();
        return;
    }
    m_blockAlign = m_channels * m_bytesPerSample;
    m_staging.resize(static_cast<size_t>(kMaxFramesPerCall) * static_cast<size_t>(m_blockAlign));
    RefreshLength();
}

void LSRCPCMFileBase::Read(int32_t* samples, int32_t frames) {
    for (int32_t done = 0; done < frames;) {
        const int32_t step = std::min(kMaxFramesPerCall, frames - done);
        ReadStep(samples + static_cast<int64_t>(done) * m_channels, step);
        done += step;
    }
}

void LSRCPCMFileBase::ReadStep(int32_t* samples, int32_t frames) {
    const int64_t start = m_position;
    const int64_t end = start + frames;
    m_position = static_cast<int32_t>(std::min<int64_t>(end, std::numeric_limits<int32_t>::max()));
    const int64_t total = static_cast<int64_t>(frames) * m_channels;
    if (IsInvalid() || end <= 0) {
        std::fill_n(samples, total, 0);
        return;
    }

    // Frames before 0 are silence and come first.
    const int64_t silentBefore = start < 0 ? -start : 0;
    std::fill_n(samples, silentBefore * m_channels, 0);
    const int64_t first = start + silentBefore;
    if (end > m_length)
        RefreshLength();
    int64_t delivered = 0;
    const int64_t readable = std::min<int64_t>(end, m_length) - first;
    if (readable > 0) {
        const int64_t got = m_file.ReadAt(m_staging.data(), static_cast<size_t>(readable * m_blockAlign),
                                          m_dataOffset + first * m_blockAlign);
        delivered = got > 0 ? got / m_blockAlign : 0;
        Decode(m_staging.data(), samples + silentBefore * m_channels, delivered * m_channels);
    }
    // Whatever the file did not supply is silence at the end.
    const int64_t filled = (silentBefore + delivered) * m_channels;
    std::fill_n(samples + filled, total - filled, 0);
}

void LSRCPCMFileBase::Seek(int32_t frame) {
    m_position = frame;
    if (!IsInvalid() && frame > m_length)
        RefreshLength();
}

int32_t LSRCPCMFileBase::GetPosition() {
    return m_position;
}

int32_t LSRCPCMFileBase::GetLength() {
    if (!IsInvalid() && m_length <= m_position)
        RefreshLength();
    return m_length;
}

void LSRCPCMFileBase::RefreshLength() {
    const int64_t fileSize = m_file.Size();
    if (fileSize < 0)
        return;
    uint8_t field[4];
    const int64_t declared = m_file.ReadAt(field, sizeof field, m_sizeFieldOffset) == static_cast<int64_t>(sizeof field)
                                 ? ReadLe32(field)
                                 : 0;
    const int64_t present = PresentDataBytes(m_file, m_dataOffset, declared, fileSize, m_ownLayout);
    m_length = static_cast<int32_t>(std::min<int64_t>(present / m_blockAlign, std::numeric_limits<int32_t>::max()));
}

template <class T>
LSRCPCMFile<T>::LSRCPCMFile(LFile file, int32_t rate, uint8_t channels, int64_t dataOffset, bool ownLayout)
    : LSRCPCMFileBase(std::move(file), rate, channels, T::kFullScale, StoredBytes<T>(), dataOffset, ownLayout) {}

template <class T> void LSRCPCMFile<T>::Decode(const uint8_t* stored, int32_t* samples, int64_t count) const {
    constexpr int kBytes = StoredBytes<T>();
    for (int64_t i = 0; i < count; ++i)
        samples[i] = LoadSample<T>(stored + i * kBytes);
}

template class LSRCPCMFile<LSFU8>;
template class LSRCPCMFile<LSF16>;
template class LSRCPCMFile<LSF32>;
template class LSRCPCMFile<LSF24>;
template class LSRCPCMFile<LSFFloat32>;
template class LSRCPCMFile<LSFFloat64>;
