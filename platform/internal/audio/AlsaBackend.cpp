#include "AlsaBackend.h"

#include "AlsaWaveIn.h"
#include "AlsaWaveOut.h"

namespace audio_internal {

std::vector<AudioDeviceInfo> AlsaBackend::Devices(AudioDirection) {
    return {{"", kDefaultDeviceDescription}};
}

std::unique_ptr<WaveIn> AlsaBackend::CreateWaveIn() {
    return std::make_unique<AlsaWaveIn>(m_shared);
}

std::unique_ptr<WaveOut> AlsaBackend::CreateWaveOut() {
    return std::make_unique<AlsaWaveOut>(m_shared, LevelHub());
}

std::optional<std::vector<AudioInputLine>> AlsaBackend::InputLines(int device) {
    if (device < -1 || device > 0)
        return std::nullopt;
    return std::vector<AudioInputLine>();
}

bool AlsaBackend::SelectInputLine(int, int) {
    return false;
}

bool AlsaBackend::SetRecordLevel(int device, uint16_t mixerLevel) {
    if (device < -1 || device > 0)
        return false;
    m_shared->recordLevel = mixerLevel;
    return true;
}

} // namespace audio_internal
