#include "sound/LSNKPCMFile.h"

#include "internal/StoredSample.h"
#include "internal/WaveChunks.h"
#include "platform/WaveFormatRecord.h"

#include <algorithm>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>

namespace {

// Readers following a recording see its frames at the latest this many frames late.
constexpr int64_t kHeaderRewriteFrames = 441000;
// The RIFF size field states 38 + data bytes in 32 bits.
constexpr int64_t kMaxDataBytes = 0xffffffffll - (kOwnHeaderBytes - 8);

} // namespace

LSNKPCMFileBase::LSNKPCMFileBase(const std::string& path, int32_t rate, uint8_t channels, int32_t fullScale,
                                 int bytesPerSample, int32_t framesToKeep)
    : LSoundSinkBase(rate, fullScale, channels), m_bytesPerSample(bytesPerSample) {
    m_blockAlign = m_channels * m_bytesPerSample;
    if (rate < 1 || static_cast<int64_t>(rate) * m_blockAlign > 0xffffffffll) {
        MarkError();
        return;
    }
    m_maxFrames = std::min<int64_t>(kMaxDataBytes / m_blockAlign, std::numeric_limits<int32_t>::max());

    m_file = LFile::Open(path, O_RDWR | O_CREAT, 0666);
    struct stat info {};
    if (!m_file.IsOpen() || ::fstat(m_file.Descriptor(), &info) != 0 || !S_ISREG(info.st_mode)) {
        m_file.Close();
        MarkError();
        return;
    }
    const int64_t size = info.st_size;
    m_createdEmpty = size == 0;

    int64_t keep = 0;
    if (framesToKeep > 0 && size > 0) {
        // Only our own files are continued, in their own format: any other bytes would turn into noise.
        WaveFileLayout layout;
        WaveFileError error;
        const WaveFormatRecord wanted =
            WaveFormatRecord::Pcm(static_cast<uint32_t>(rate), m_channels, static_cast<uint16_t>(bytesPerSample * 8));
        if (!WalkWaveChunks(m_file, layout, error) || !layout.ownLayout || layout.format != wanted) {
            m_file.Close();
            MarkError();
            return;
        }
        // The file's real size, not its header: after a crash the header lags behind the frames.
        const int64_t framesInFile = (size - kOwnHeaderBytes) / m_blockAlign;
        keep = std::min({static_cast<int64_t>(framesToKeep), framesInFile, m_maxFrames});
    }
    m_keptFrames = static_cast<int32_t>(keep);
    m_framesStored = keep;
    m_length = m_keptFrames;
    m_staging.resize(static_cast<size_t>(kMaxFramesPerCall) * static_cast<size_t>(m_blockAlign));
}

LSNKPCMFileBase::~LSNKPCMFileBase() {
    if (m_finished || !m_file.IsOpen())
        return;
    if (!m_started && !m_createdEmpty)
        return; // never written to: the file stays as it was
    (void)Finish();
}

void LSNKPCMFileBase::Write(const int32_t* samples, int32_t frames) {
    if (frames <= 0)
        return;
    m_length = static_cast<int32_t>(
        std::min<int64_t>(static_cast<int64_t>(m_length) + frames, std::numeric_limits<int32_t>::max()));
    if (m_finished)
        MarkError();
    if (IsInError() || !m_file.IsOpen())
        return;
    if (!m_started && !Start())
        return;
    for (int32_t done = 0; done < frames;) {
        const int32_t step = std::min(kMaxFramesPerCall, frames - done);
        if (m_framesStored + step > m_maxFrames) {
            Fail();
            return;
        }
        Encode(samples + static_cast<int64_t>(done) * m_channels, m_staging.data(),
               static_cast<int64_t>(step) * m_channels);
        if (!m_file.WriteAt(m_staging.data(), static_cast<size_t>(step) * m_blockAlign,
                            kOwnHeaderBytes + m_framesStored * m_blockAlign)) {
            Fail();
            return;
        }
        m_framesStored += step;
        m_framesSinceHeader += step;
        done += step;
        if (m_framesSinceHeader > kHeaderRewriteFrames) {
            if (!WriteHeader()) {
                Fail();
                return;
            }
            m_framesSinceHeader = 0;
        }
    }
}

void LSNKPCMFileBase::Truncate(int32_t frames) {
    if (IsInError() || !m_file.IsOpen() || frames > m_length)
        return;
    if (!m_started && !Start())
        return;
    m_length = std::max(frames, 0);
    m_framesStored = std::min<int64_t>(m_framesStored, m_length);
    m_framesSinceHeader = 0;
    if (!WriteHeader() || !m_file.Truncate(kOwnHeaderBytes + m_framesStored * m_blockAlign))
        Fail();
}

bool LSNKPCMFileBase::Finish() {
    if (m_finished)
        return m_finishResult;
    m_finished = true;
    if (IsInError() || !m_file.IsOpen()) {
        m_file.Close();
        return m_finishResult = false;
    }
    if ((!m_started && !Start()) || !WriteHeader()) {
        Fail();
        return m_finishResult = false;
    }
    m_file.Close();
    return m_finishResult = true;
}

bool LSNKPCMFileBase::Start() {
    m_started = true;
    if (!WriteHeader() || !m_file.Truncate(kOwnHeaderBytes + m_framesStored * m_blockAlign)) {
        Fail();
        return false;
    }
    return true;
}

bool LSNKPCMFileBase::WriteHeader() {
    const uint32_t dataBytes = static_cast<uint32_t>(m_framesStored * m_blockAlign);
    std::vector<uint8_t> header;
    header.reserve(kOwnHeaderBytes);
    const auto appendId = [&header](const char* id) { header.insert(header.end(), id, id + 4); };
    appendId("RIFF");
    AppendLe32(header, static_cast<uint32_t>(kOwnHeaderBytes - 8) + dataBytes);
    appendId("WAVE");
    appendId("fmt ");
    AppendLe32(header, 18);
    AppendLe16(header, WaveFormatRecord::kTagPcm);
    AppendLe16(header, m_channels);
    AppendLe32(header, static_cast<uint32_t>(m_rate));
    AppendLe32(header, static_cast<uint32_t>(m_blockAlign) * static_cast<uint32_t>(m_rate));
    AppendLe16(header, static_cast<uint16_t>(m_blockAlign));
    AppendLe16(header, static_cast<uint16_t>(m_bytesPerSample * 8));
    AppendLe16(header, 0);
    appendId("data");
    AppendLe32(header, dataBytes);
    return m_file.WriteAt(header.data(), header.size(), 0);
}

void LSNKPCMFileBase::Fail() {
    MarkError();
    if (m_file.IsOpen() && m_started) {
        // Best effort: the file keeps what reached it, with a header that says so.
        if (WriteHeader())
            (void)m_file.Truncate(kOwnHeaderBytes + m_framesStored * m_blockAlign);
    }
    m_file.Close();
}

template <class T>
LSNKPCMFile<T>::LSNKPCMFile(const std::string& path, int32_t rate, uint8_t channels, int32_t framesToKeep)
    : LSNKPCMFileBase(path, rate, channels, T::kFullScale, StoredBytes<T>(), framesToKeep) {}

template <class T> void LSNKPCMFile<T>::Encode(const int32_t* samples, uint8_t* stored, int64_t count) const {
    constexpr int kBytes = StoredBytes<T>();
    for (int64_t i = 0; i < count; ++i)
        StoreSample<T>(samples[i], stored + i * kBytes);
}

template class LSNKPCMFile<LSFU8>;
template class LSNKPCMFile<LSF16>;
template class LSNKPCMFile<LSF32>;
