#include "controls/ControlSettings.h"

#include "store/IniValues.h"

#include <algorithm>

std::optional<ControlCommand> DeviceControls::CommandOf(int code) const {
    if (code == 0)
        return std::nullopt;
    const auto found = std::find(codes.begin(), codes.end(), code);
    if (found == codes.end())
        return std::nullopt;
    return kControlCommands[static_cast<size_t>(found - codes.begin())];
}

std::string ControlSection(const std::string& identity) {
    std::string section = "controls:" + identity;
    std::replace_if(
        section.begin(), section.end(), [](char c) { return c == ']' || c == '\n' || c == '\r'; }, '_');
    return section;
}

DeviceControls LoadDeviceControls(const std::string& settingsFile, const std::string& identity) {
    const std::string section = ControlSection(identity);
    DeviceControls controls;
    controls.enabled = ReadBoolValue(settingsFile, section, "enabled", false);
    controls.behaviour = DeviceBehaviourFromKey(ReadStringValue(settingsFile, section, "behaviour", ""));
    for (ControlCommand command : kControlCommands)
        controls.CodeOf(command) = ReadIntValue(settingsFile, section, ControlCommandKey(command), 0);
    return controls;
}

bool SaveDeviceControls(const std::string& settingsFile, const std::string& identity, const DeviceControls& controls) {
    const std::string section = ControlSection(identity);
    bool written = WriteBoolValue(settingsFile, section, "enabled", controls.enabled) &&
                   WriteStringValue(settingsFile, section, "behaviour", DeviceBehaviourKey(controls.behaviour));
    for (ControlCommand command : kControlCommands)
        written = written && WriteIntValue(settingsFile, section, ControlCommandKey(command), controls.CodeOf(command));
    return written && FlushProfile(settingsFile);
}
