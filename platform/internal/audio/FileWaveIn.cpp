#include "FileWaveIn.h"

#include "platform/MixerLevel.h"

#include <chrono>

namespace audio_internal {

bool FileWaveIn::OpenStream(const WaveInOptions& options) {
    const FileAudioOptions& settings = m_shared->options;
    if (options.device >= FileDeviceCount(settings, AudioDirection::Recording))
        return false;
    m_options = options;
    m_hasFile = !settings.inputPath.empty();
    if (m_hasFile && !m_file.Open(settings.inputPath, options.format))
        return false;
    m_fileEnded = !m_hasFile;
    m_finished = false;
    m_scratch.assign(static_cast<size_t>(options.framesPerBlock) * options.format.channels, 0);
    return true;
}

void FileWaveIn::StartStream() {
    if (m_shared->options.pacing != FilePacing::RealTime || m_finished)
        return;
    m_stop = false;
    m_thread = std::thread([this] { Run(); });
}

void FileWaveIn::StopStream() {
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard lock(m_threadMutex);
        m_stop = true;
    }
    m_threadWake.notify_all();
    m_thread.join();
}

void FileWaveIn::CloseStream() {
    m_file = WaveFileFrames();
}

int64_t FileWaveIn::ReadFile(int64_t frames) {
    if (m_fileEnded)
        return 0;
    const int64_t got = m_file.Read(m_scratch.data(), frames);
    if (got < frames || m_file.AtEnd())
        m_fileEnded = true;
    return got;
}

void FileWaveIn::OnBlocksQueued() {
    if (m_shared->options.pacing != FilePacing::Fast)
        return;
    const int64_t block = m_options.framesPerBlock;
    while (!m_finished && HasQueuedBlock()) {
        SetFeedGain(GainForMixerLevel(m_shared->recordLevel));
        const int64_t got = ReadFile(block);
        Feed(m_scratch.data(), got);
        if (!m_fileEnded)
            continue;
        m_finished = true;
        if (m_shared->options.inputEnd == FileInputEnd::DeviceLost)
            ReportLost(); // hands over the partly filled last block
        else if (got > 0 && got < block)
            FeedSilence(block - got);
    }
}

void FileWaveIn::Run() {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    const int64_t rate = m_options.format.rate;
    const int64_t block = m_options.framesPerBlock;
    auto timeOf = [&](int64_t frames) {
        return start + std::chrono::duration_cast<Clock::duration>(
                           std::chrono::duration<double>(static_cast<double>(frames) / static_cast<double>(rate)));
    };
    int64_t produced = 0;
    std::unique_lock lock(m_threadMutex);
    while (!m_stop) {
        if (m_threadWake.wait_until(lock, timeOf(produced + block), [this] { return m_stop; }))
            break;
        const auto elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        int64_t due = static_cast<int64_t>(elapsed * static_cast<double>(rate)) - produced;
        lock.unlock();
        SetFeedGain(GainForMixerLevel(m_shared->recordLevel));
        for (int64_t part = std::min(due, block); due > 0 && !m_finished; part = std::min(due, block)) {
            const int64_t got = ReadFile(part);
            Feed(m_scratch.data(), got);
            if (m_fileEnded && m_shared->options.inputEnd == FileInputEnd::DeviceLost) {
                ReportLost();
                m_finished = true;
            } else if (got < part) {
                FeedSilence(part - got);
            }
            due -= part;
            produced += part;
        }
        lock.lock();
        if (m_finished)
            break;
    }
}

} // namespace audio_internal
