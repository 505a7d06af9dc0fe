#include "FileWaveOut.h"

#include "PcmWaveLayout.h"
#include "SampleGain.h"

#include <algorithm>
#include <fcntl.h>

namespace audio_internal {

bool FileWaveOut::OpenStream(const WaveOutOptions& options, uint16_t mixerLevel) {
    const FileAudioOptions& settings = m_shared->options;
    if (options.device >= FileDeviceCount(settings, AudioDirection::Playback))
        return false;
    m_format = options.format;
    m_gain = GainForMixerLevel(mixerLevel);
    m_held = false;
    m_queue.Clear();
    m_dataBytes = 0;
    m_file.Close();
    if (!settings.outputPath.empty()) {
        m_file = LFile::Open(settings.outputPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        const auto header = PcmWaveHeader(m_format, 0);
        if (!m_file.IsOpen() || !m_file.Write(header.data(), header.size())) {
            m_file.Close();
            return false;
        }
    }
    RestartClock();
    return true;
}

bool FileWaveOut::QueueFrames(std::span<const int16_t> samples) {
    if (m_queue.Empty())
        RestartClock(); // an idle device starts playing what comes now, not what it missed
    m_queue.Push(samples);
    Advance();
    return true;
}

int64_t FileWaveOut::UnplayedFrames() {
    Advance();
    return static_cast<int64_t>(m_queue.Size() / m_format.channels);
}

void FileWaveOut::PauseStream() {
    Advance();
    m_held = true;
}

void FileWaveOut::RestartStream() {
    m_held = false;
    RestartClock();
    Advance();
}

void FileWaveOut::FlushStream() {
    m_queue.Clear();
    RestartClock();
}

void FileWaveOut::CloseStream() {
    m_queue.Clear();
    m_file.Close();
}

void FileWaveOut::SetStreamLevel(uint16_t mixerLevel) {
    m_gain = GainForMixerLevel(mixerLevel);
}

void FileWaveOut::RestartClock() {
    m_clockStart = Clock::now();
    m_clockFrames = 0;
}

void FileWaveOut::Advance() {
    if (m_held || m_queue.Empty() || IsLost())
        return;
    const int64_t queued = static_cast<int64_t>(m_queue.Size() / m_format.channels);
    if (m_shared->options.pacing == FilePacing::Fast) {
        PlayOut(queued);
        return;
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - m_clockStart).count();
    const int64_t due = static_cast<int64_t>(elapsed * m_format.rate) - m_clockFrames;
    const int64_t frames = std::clamp<int64_t>(due, 0, queued);
    PlayOut(frames);
    m_clockFrames += frames;
}

void FileWaveOut::PlayOut(int64_t frames) {
    size_t samples = static_cast<size_t>(frames) * m_format.channels;
    while (samples > 0) {
        const std::span<const int16_t> run = m_queue.Front(samples);
        if (m_file.IsOpen()) {
            const int64_t bytes = static_cast<int64_t>(run.size() * sizeof(int16_t));
            if (m_dataBytes + bytes > kMaxPcmWaveDataBytes) {
                ReportLost(); // the wave file cannot describe more
                return;
            }
            m_scratch.assign(run.begin(), run.end());
            ApplyGain(m_scratch.data(), m_scratch.size(), m_gain);
            const auto header = PcmWaveHeader(m_format, static_cast<uint32_t>(m_dataBytes + bytes));
            if (!m_file.WriteAt(m_scratch.data(), static_cast<size_t>(bytes),
                                static_cast<int64_t>(kPcmWaveHeaderSize) + m_dataBytes) ||
                !m_file.WriteAt(header.data(), header.size(), 0)) {
                ReportLost(); // a full disk or a vanished file ends this device
                return;
            }
            m_dataBytes += bytes;
        }
        m_queue.Pop(run.size());
        samples -= run.size();
    }
}

} // namespace audio_internal
