// ControlSettings: what the user chose for one input device, kept in the settings file in a section of its own named
// after the device's identity ("controls:<identity>"), so a device found again under a new event number or after a
// reboot keeps its choice. Keys: "enabled", "behaviour" and one per command (its key text) holding the button code,
// 0 for none.
#pragma once

#include "controls/ControlCommand.h"

#include <array>
#include <optional>
#include <string>

struct DeviceControls {
    bool enabled = false;
    DeviceBehaviour behaviour = DeviceBehaviour::Pedal;
    // The evdev key code learnt for each command (indexed by the command), 0 for none.
    std::array<int, kControlCommands.size()> codes{};

    int& CodeOf(ControlCommand command) { return codes[static_cast<size_t>(command)]; }
    int CodeOf(ControlCommand command) const { return codes[static_cast<size_t>(command)]; }
    // The command learnt for button `code` (the first one, if several share it).
    std::optional<ControlCommand> CommandOf(int code) const;

    bool operator==(const DeviceControls&) const = default;
};

// The settings section of a device: "controls:" and its identity, with ']' and line breaks made '_'.
std::string ControlSection(const std::string& identity);

// A device never saved reads as disabled, Pedal, nothing learnt.
DeviceControls LoadDeviceControls(const std::string& settingsFile, const std::string& identity);
// Writes the device's keys and flushes the file; false when that failed.
[[nodiscard]] bool SaveDeviceControls(const std::string& settingsFile, const std::string& identity,
                                      const DeviceControls& controls);
