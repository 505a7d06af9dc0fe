#include "FileBackend.h"

#include "FileWaveIn.h"
#include "FileWaveOut.h"
#include "platform/FileOps.h"

namespace audio_internal {

int FileDeviceCount(const FileAudioOptions& options, AudioDirection direction) {
    const size_t extra =
        direction == AudioDirection::Recording ? options.extraInputDevices.size() : options.extraOutputDevices.size();
    return 2 + static_cast<int>(extra);
}

std::vector<AudioDeviceInfo> FileBackend::Devices(AudioDirection direction) {
    const FileAudioOptions& options = m_shared->options;
    std::vector<AudioDeviceInfo> entries{{"", kDefaultDeviceDescription}};
    if (direction == AudioDirection::Recording) {
        if (options.inputPath.empty())
            entries.push_back({"silence", "Silence"});
        else
            entries.push_back({options.inputPath, std::string(FileNameOf(options.inputPath))});
        entries.insert(entries.end(), options.extraInputDevices.begin(), options.extraInputDevices.end());
    } else {
        if (options.outputPath.empty())
            entries.push_back({"discard", "Discard"});
        else
            entries.push_back({options.outputPath, std::string(FileNameOf(options.outputPath))});
        entries.insert(entries.end(), options.extraOutputDevices.begin(), options.extraOutputDevices.end());
    }
    return entries;
}

std::unique_ptr<WaveIn> FileBackend::CreateWaveIn() {
    return std::make_unique<FileWaveIn>(m_shared);
}

std::unique_ptr<WaveOut> FileBackend::CreateWaveOut() {
    return std::make_unique<FileWaveOut>(m_shared, LevelHub());
}

bool FileBackend::IsDevice(AudioDirection direction, int device) {
    return device >= -1 && device < FileDeviceCount(m_shared->options, direction);
}

std::optional<std::vector<AudioInputLine>> FileBackend::InputLines(int device) {
    if (!IsDevice(AudioDirection::Recording, device))
        return std::nullopt;
    std::vector<AudioInputLine> lines;
    const int active = m_shared->ActiveLine();
    for (size_t i = 0; i < m_shared->options.inputLines.size(); ++i)
        lines.push_back({"line-" + std::to_string(i), m_shared->options.inputLines[i], static_cast<int>(i) == active});
    return lines;
}

bool FileBackend::SelectInputLine(int device, int line) {
    if (!IsDevice(AudioDirection::Recording, device) || line < 0 ||
        static_cast<size_t>(line) >= m_shared->options.inputLines.size())
        return false;
    m_shared->SetActiveLine(line);
    return true;
}

bool FileBackend::SetRecordLevel(int device, uint16_t mixerLevel) {
    if (!IsDevice(AudioDirection::Recording, device))
        return false;
    m_shared->recordLevel = mixerLevel;
    return true;
}

} // namespace audio_internal
