// AlsaBackend: the fallback where no sound server answers: ALSA's one PCM (normally "default"), for playing and
// recording only. It lists the default device alone, has no input lines, and applies the record and playback
// levels to the frames itself.
#pragma once

#include "platform/AudioBackend.h"

#include <atomic>
#include <memory>
#include <string>

namespace audio_internal {

// What the backend and its devices share.
struct AlsaShared {
    explicit AlsaShared(std::string pcmName) : pcmName(std::move(pcmName)) {}
    const std::string pcmName;
    std::atomic<uint16_t> recordLevel{kMixerLevelUnity};
};

class AlsaBackend final : public AudioBackend {
public:
    explicit AlsaBackend(const std::string& pcmName) : m_shared(std::make_shared<AlsaShared>(pcmName)) {}

    AudioBackendKind Kind() const override { return AudioBackendKind::Alsa; }
    std::vector<AudioDeviceInfo> Devices(AudioDirection direction) override;
    std::unique_ptr<WaveIn> CreateWaveIn() override;
    std::unique_ptr<WaveOut> CreateWaveOut() override;
    std::optional<std::vector<AudioInputLine>> InputLines(int device) override;
    [[nodiscard]] bool SelectInputLine(int device, int line) override;
    [[nodiscard]] bool SetRecordLevel(int device, uint16_t mixerLevel) override;

private:
    std::shared_ptr<AlsaShared> m_shared;
};

} // namespace audio_internal
