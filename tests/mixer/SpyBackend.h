// SpyBackend: the file backend with fake input lines, noting every mixer call the mixer rules make on it.
#pragma once

#include "platform/AudioBackend.h"

#include <map>
#include <memory>
#include <utility>
#include <vector>

class SpyBackend final : public AudioBackend {
public:
    explicit SpyBackend(std::vector<std::string> lines, std::vector<AudioDeviceInfo> extraInputs = {},
                        std::vector<AudioDeviceInfo> extraOutputs = {}) {
        FileAudioOptions options;
        options.inputLines = std::move(lines);
        options.extraInputDevices = std::move(extraInputs);
        options.extraOutputDevices = std::move(extraOutputs);
        m_inner = CreateFileBackend(options);
    }

    AudioBackendKind Kind() const override { return m_inner->Kind(); }
    std::vector<AudioDeviceInfo> Devices(AudioDirection direction) override { return m_inner->Devices(direction); }
    std::unique_ptr<WaveIn> CreateWaveIn() override { return m_inner->CreateWaveIn(); }
    std::unique_ptr<WaveOut> CreateWaveOut() override { return m_inner->CreateWaveOut(); }
    std::optional<std::vector<AudioInputLine>> InputLines(int device) override {
        const auto found = linesByDevice.find(device);
        return unreadable ? std::nullopt : found != linesByDevice.end() ? found->second : m_inner->InputLines(device);
    }
    bool SelectInputLine(int device, int line) override {
        selectedLines.emplace_back(device, line);
        return m_inner->SelectInputLine(device, line);
    }
    bool SetRecordLevel(int device, uint16_t mixerLevel) override {
        recordLevels.emplace_back(device, mixerLevel);
        return m_inner->SetRecordLevel(device, mixerLevel);
    }

    std::map<int, std::vector<AudioInputLine>> linesByDevice; // devices whose ports differ from the file's
    bool unreadable = false;                                  // InputLines fails, as a mixer that cannot be read
    std::vector<std::pair<int, int>> selectedLines;
    std::vector<std::pair<int, uint16_t>> recordLevels;

private:
    std::unique_ptr<AudioBackend> m_inner;
};
