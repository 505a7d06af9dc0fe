#include "platform/AudioBackend.h"

#include "internal/audio/AlsaBackend.h"
#include "internal/audio/FileBackend.h"
#include "internal/audio/PlaybackLevelHub.h"
#include "internal/audio/PulseBackend.h"

#include <cstdlib>
#include <string_view>

using namespace audio_internal;

AudioBackend::AudioBackend() : m_levelHub(std::make_shared<PlaybackLevelHub>()) {}

AudioBackend::~AudioBackend() = default;

void AudioBackend::SetPlaybackLevel(uint16_t mixerLevel) {
    m_levelHub->SetLevel(mixerLevel);
}

uint16_t AudioBackend::PlaybackLevel() const {
    return m_levelHub->Level();
}

std::string AudioBackend::DeviceDescription(AudioDirection direction, int device) {
    if (device < -1)
        return {};
    const std::vector<AudioDeviceInfo> devices = Devices(direction);
    const size_t entry = device < 0 ? 0 : static_cast<size_t>(device);
    return entry < devices.size() ? devices[entry].description : std::string();
}

int AudioBackend::DeviceNumberFor(AudioDirection direction, std::string_view name, int rememberedNumber) {
    const std::vector<AudioDeviceInfo> devices = Devices(direction);
    if (name.empty())
        return rememberedNumber >= -1 && rememberedNumber < static_cast<int>(devices.size()) ? rememberedNumber : 0;
    for (size_t i = 1; i < devices.size(); ++i)
        if (devices[i].name == name)
            return static_cast<int>(i);
    return 0;
}

namespace {

std::string_view Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string_view(value) : std::string_view();
}

} // namespace

std::unique_ptr<AudioBackend> CreatePulseBackend(const std::string& server) {
    std::shared_ptr<PulseConnection> connection = PulseConnection::Connect(server, kPulseAnswerTime);
    if (!connection)
        return nullptr;
    auto session = std::make_shared<PulseSession>(server);
    session->Adopt(std::move(connection));
    return std::make_unique<PulseBackend>(std::move(session));
}

std::unique_ptr<AudioBackend> CreateAlsaBackend(const std::string& pcmName) {
    return std::make_unique<AlsaBackend>(pcmName.empty() ? std::string("default") : pcmName);
}

std::unique_ptr<AudioBackend> CreateFileBackend(const FileAudioOptions& options) {
    return std::make_unique<FileBackend>(options);
}

std::unique_ptr<AudioBackend> CreateAudioBackend() {
    const std::string_view fileIn = Environment("TALLOWIN_AUDIO_FILE_IN");
    const std::string_view fileOut = Environment("TALLOWIN_AUDIO_FILE_OUT");
    if (!fileIn.empty() || !fileOut.empty()) {
        FileAudioOptions options;
        options.inputPath = fileIn;
        options.outputPath = fileOut;
        options.pacing = Environment("TALLOWIN_AUDIO_FILE_PACE") == "fast" ? FilePacing::Fast : FilePacing::RealTime;
        return CreateFileBackend(options);
    }
    const std::string_view choice = Environment("TALLOWIN_AUDIO");
    if (choice == "alsa")
        return CreateAlsaBackend();
    if (std::unique_ptr<AudioBackend> pulse = CreatePulseBackend())
        return pulse;
    if (choice == "pulse") // asked for: a backend that keeps trying to reach the server
        return std::make_unique<PulseBackend>(std::make_shared<PulseSession>(std::string()));
    return CreateAlsaBackend();
}
