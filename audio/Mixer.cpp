#include "audio/Mixer.h"

#include "platform/MixerLevel.h"
#include "store/IniValues.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <vector>

namespace {

std::string DeviceName(AudioBackend& backend, AudioDirection direction, int device) {
    if (device < -1 || device >= kMaxMixerEntries)
        return {};
    return backend.DeviceDescription(direction, device);
}

int DeviceCount(AudioBackend& backend, AudioDirection direction) {
    return std::min(static_cast<int>(backend.Devices(direction).size()), kMaxMixerEntries);
}

std::optional<std::vector<AudioInputLine>> Lines(AudioBackend& backend, int device) {
    if (device < 0)
        return std::nullopt;
    std::optional<std::vector<AudioInputLine>> lines = backend.InputLines(device);
    if (lines && lines->size() > static_cast<size_t>(kMaxMixerEntries))
        lines->resize(kMaxMixerEntries);
    return lines;
}

std::string UpperAscii(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// Among the lines that are not unplugged and whose description contains `word` in any case: the active one,
// else the last; -1 when none does.
int LineByWord(const std::vector<AudioInputLine>& lines, std::string_view word) {
    const std::string upperWord = UpperAscii(std::string(word));
    int found = -1;
    for (size_t n = 0; n < lines.size(); ++n) {
        const AudioInputLine& line = lines[n];
        if (line.availability == LineAvailability::Unplugged ||
            UpperAscii(line.description).find(upperWord) == std::string::npos)
            continue;
        found = static_cast<int>(n);
        if (line.active)
            break;
    }
    return found;
}

struct ResolvedDevice {
    int device = 0;
    bool missing = false;
    std::string missingName;
};

ResolvedDevice ResolveDevice(AudioBackend& backend, AudioDirection direction, const std::string& settingsFile,
                             const IntKey& deviceKey, const StringKey& nameKey) {
    const int remembered = ReadIntValue(settingsFile, deviceKey);
    const std::string name = ReadStringValue(settingsFile, nameKey);
    ResolvedDevice resolved;
    resolved.device = std::min(backend.DeviceNumberFor(direction, name, remembered), kMaxMixerEntries - 1);
    if (!name.empty() && resolved.device == 0) {
        resolved.missing = true;
        resolved.missingName = name;
    } else if (name.empty() && resolved.device != remembered) {
        resolved.missing = true;
        resolved.missingName = "number " + std::to_string(remembered);
    }
    return resolved;
}

} // namespace

std::string InputDeviceName(AudioBackend& backend, int device) {
    return DeviceName(backend, AudioDirection::Recording, device);
}

std::string OutputDeviceName(AudioBackend& backend, int device) {
    return DeviceName(backend, AudioDirection::Playback, device);
}

int InputDeviceCount(AudioBackend& backend) {
    return DeviceCount(backend, AudioDirection::Recording);
}

int OutputDeviceCount(AudioBackend& backend) {
    return DeviceCount(backend, AudioDirection::Playback);
}

int InputLineCount(AudioBackend& backend, int device) {
    const std::optional<std::vector<AudioInputLine>> lines = Lines(backend, device);
    return lines ? static_cast<int>(lines->size()) : 0;
}

std::string InputLineName(AudioBackend& backend, int device, int line) {
    if (line == -1)
        return kServerChoiceLineName;
    const std::optional<std::vector<AudioInputLine>> lines = Lines(backend, device);
    if (!lines || line < 0 || static_cast<size_t>(line) >= lines->size())
        return kInvalidLineName;
    return (*lines)[static_cast<size_t>(line)].description;
}

InputSelection ReadInputSelection(AudioBackend& backend, const std::string& settingsFile, const IntKey& deviceKey,
                                  const IntKey& lineKey, const StringKey& nameKey, std::string_view word) {
    const ResolvedDevice resolved = ResolveDevice(backend, AudioDirection::Recording, settingsFile, deviceKey, nameKey);
    InputSelection selection;
    selection.device = static_cast<int8_t>(resolved.device);
    selection.deviceMissing = resolved.missing;
    selection.missingDeviceName = resolved.missingName;

    const std::vector<AudioInputLine> lines = Lines(backend, resolved.device).value_or(std::vector<AudioInputLine>());
    int line = ReadIntValue(settingsFile, lineKey);
    // A line kept for a device that is not the one used now, or beyond the device's lines, means nothing here:
    // it is no choice, as an unset line.
    selection.lineChosen = !resolved.missing && line >= -1 && line < static_cast<int>(lines.size());
    if (!selection.lineChosen)
        line = LineByWord(lines, word);
    else if (line >= 0)
        selection.lineUnplugged = lines[static_cast<size_t>(line)].availability == LineAvailability::Unplugged;
    selection.line = static_cast<int8_t>(line);
    return selection;
}

OutputSelection ReadOutputSelection(AudioBackend& backend, const std::string& settingsFile, const IntKey& deviceKey,
                                    const StringKey& nameKey) {
    const ResolvedDevice resolved = ResolveDevice(backend, AudioDirection::Playback, settingsFile, deviceKey, nameKey);
    return {static_cast<int8_t>(resolved.device), resolved.missing, resolved.missingName};
}

bool WriteDeviceChoice(AudioBackend& backend, AudioDirection direction, const std::string& settingsFile,
                       const IntKey& deviceKey, const StringKey& nameKey, int device) {
    const std::vector<AudioDeviceInfo> devices = backend.Devices(direction);
    std::string name;
    if (device > 0 && static_cast<size_t>(device) < devices.size())
        name = devices[static_cast<size_t>(device)].name;
    const bool indexWritten = WriteIntValue(settingsFile, deviceKey, device);
    const bool nameWritten = WriteStringValue(settingsFile, nameKey, name);
    return indexWritten && nameWritten;
}

bool SelectRecordInput(AudioBackend& backend, int device, int line, std::optional<int> levelDb) {
    if (device < 0)
        return false;
    if (line >= 0 && !backend.SelectInputLine(device, line))
        return false;
    return !levelDb || backend.SetRecordLevel(device, MixerLevelForDb(*levelDb));
}

std::optional<int> ReadRecordLevel(const std::string& settingsFile, const DbKey& key) {
    if (ReadStringValue(settingsFile, key.section, key.name, "").empty())
        return std::nullopt;
    return ReadDbValue(settingsFile, key);
}

bool SetPlayVolume(AudioBackend& backend, int device, int levelDb, int offsetDb) {
    if (device < 0)
        return false;
    backend.SetPlaybackLevel(MixerLevelForDb(std::clamp(levelDb + offsetDb, -127, 127)));
    return true;
}

std::string MissingDeviceMessage(AudioDirection direction, std::string_view deviceName) {
    const char* kind = direction == AudioDirection::Recording ? "recording" : "playback";
    return "The " + std::string(kind) + " device \"" + std::string(deviceName) +
           "\" is not connected; the default device is used.";
}

std::string UnpluggedLineMessage(std::string_view lineName) {
    return "Nothing is plugged into the input line \"" + std::string(lineName) +
           "\"; recording from the active input line.";
}
