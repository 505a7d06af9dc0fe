// FileBackend: wave files standing in for a sound card, for tests and headless runs. Its recording device reads one
// file, its playback device writes one; its mixer keeps the configured input lines and the record level (applied
// to the recorded frames, as a sound card would).
#pragma once

#include "platform/AudioBackend.h"

#include <atomic>
#include <memory>
#include <mutex>

namespace audio_internal {

// What the backend and its devices share.
class FileShared {
public:
    explicit FileShared(FileAudioOptions options) : options(std::move(options)) {}

    const FileAudioOptions options;
    std::atomic<uint16_t> recordLevel{kMixerLevelUnity};

    int ActiveLine() const {
        std::lock_guard lock(m_mutex);
        return m_activeLine;
    }
    void SetActiveLine(int line) {
        std::lock_guard lock(m_mutex);
        m_activeLine = line;
    }

private:
    mutable std::mutex m_mutex;
    int m_activeLine = 0;
};

class FileBackend final : public AudioBackend {
public:
    explicit FileBackend(const FileAudioOptions& options) : m_shared(std::make_shared<FileShared>(options)) {}

    AudioBackendKind Kind() const override { return AudioBackendKind::File; }
    std::vector<AudioDeviceInfo> Devices(AudioDirection direction) override;
    std::unique_ptr<WaveIn> CreateWaveIn() override;
    std::unique_ptr<WaveOut> CreateWaveOut() override;
    std::optional<std::vector<AudioInputLine>> InputLines(int device) override;
    [[nodiscard]] bool SelectInputLine(int device, int line) override;
    [[nodiscard]] bool SetRecordLevel(int device, uint16_t mixerLevel) override;

private:
    bool IsDevice(AudioDirection direction, int device);

    std::shared_ptr<FileShared> m_shared;
};

// The number of entries the file backend lists for a direction.
int FileDeviceCount(const FileAudioOptions& options, AudioDirection direction);

} // namespace audio_internal
