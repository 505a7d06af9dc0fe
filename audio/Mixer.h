// Mixer: the device and input-line queries and the mixer rules between the user's choices and the sound system:
// which line a recording uses (the user's line, or none: the active port stays; the name-word rule picks the line
// the dialogs show for an unset line), the record level of the device, and the level of our own playback. Plain
// functions over an AudioBackend; none keeps state. Main thread.
//
//   InputSelection in = ReadInputSelection(backend, settingsFile, kSoundIn, kSoundInChan, kSoundInName, "MIC");
//   if (in.deviceMissing) ShowNote(MissingDeviceMessage(AudioDirection::Recording, in.missingDeviceName));
//   SelectRecordInput(backend, in.device, in.RecordLine(), ReadRecordLevel(settingsFile, SettingsKeys::kRecordVolume));
#pragma once

#include "platform/AudioBackend.h"
#include "store/IniKey.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Line -1 of every device: the sound server's own choice of port, left alone.
inline constexpr const char* kServerChoiceLineName = "Sound server's choice";
// The name of a line that does not exist or cannot be read.
inline constexpr const char* kInvalidLineName = "<MIXER INVALID>";
// Device lists and line lists hold at most this many entries (device and line numbers are 8-bit).
inline constexpr int kMaxMixerEntries = 127;

// The description of a device (entry 0: "Default device"), or empty text when there is no such device.
std::string InputDeviceName(AudioBackend& backend, int device);
std::string OutputDeviceName(AudioBackend& backend, int device);
// The number of entries of a device list, at most kMaxMixerEntries.
int InputDeviceCount(AudioBackend& backend);
int OutputDeviceCount(AudioBackend& backend);

// The number of input lines (ports) of a recording device: 0 for a negative device, a device without ports or
// a mixer that cannot be read; at most kMaxMixerEntries.
int InputLineCount(AudioBackend& backend, int device);
// Line -1: kServerChoiceLineName; otherwise the port's description, or kInvalidLineName for a negative device,
// a line beyond the count or a mixer that cannot be read.
std::string InputLineName(AudioBackend& backend, int device, int line);

// A recording device and input line (-1: the server's choice), as the settings keep them.
struct InputSelection {
    int8_t device = 0;
    int8_t line = -1;           // the user's line, else the line the name word picks (what the dialogs show)
    bool lineChosen = false;    // `line` is the user's choice, kept in the settings
    bool lineUnplugged = false; // the chosen line is known to have nothing plugged into it now
    // The remembered device is not connected now: `device` is the default device (0) instead.
    bool deviceMissing = false;
    std::string missingDeviceName; // the remembered server name (or the number as text) of the missing device

    // The line a recording switches to: the user's line unless it is unplugged; otherwise -1, and the port that
    // is active now stays.
    int RecordLine() const { return lineChosen && !lineUnplugged ? line : -1; }
};

// Reads a selection: the device from `deviceKey`, or the entry named by `nameKey` where one is remembered and
// listed; the line from `lineKey`. When the line is unset (-2), out of range or the device fell back to the
// default, the line is not chosen and the name word picks one: among the lines that are not unplugged and whose
// description contains `word` (any case), the active one, else the last; -1 when there is none.
InputSelection ReadInputSelection(AudioBackend& backend, const std::string& settingsFile, const IntKey& deviceKey,
                                  const IntKey& lineKey, const StringKey& nameKey, std::string_view word);

// A playback device as the settings keep it.
struct OutputSelection {
    int8_t device = 0;
    bool deviceMissing = false;
    std::string missingDeviceName;
};
OutputSelection ReadOutputSelection(AudioBackend& backend, const std::string& settingsFile, const IntKey& deviceKey,
                                    const StringKey& nameKey);

// Writes a device choice: its list index under `deviceKey` and its server name under `nameKey`. False when a
// write failed.
[[nodiscard]] bool WriteDeviceChoice(AudioBackend& backend, AudioDirection direction, const std::string& settingsFile,
                                     const IntKey& deviceKey, const StringKey& nameKey, int device);

// Makes `line` the port that `device` records from (a negative line leaves the active port alone), then sets the
// device's own level to the mixer level of `levelDb` (nothing: the level stays as it is). A negative device
// changes nothing. False when nothing or not everything was applied; a failed step ends the procedure with the
// rest left as it was.
bool SelectRecordInput(AudioBackend& backend, int device, int line, std::optional<int> levelDb);

// The record level (dB) the user set under `key`; nothing when none was ever set.
std::optional<int> ReadRecordLevel(const std::string& settingsFile, const DbKey& key);

// Sets the level of our own playback to the mixer level of `levelDb` + `offsetDb` (limited to -127..127); the
// desktop's master volume is never touched. A negative device changes nothing (false).
bool SetPlayVolume(AudioBackend& backend, int device, int levelDb, int offsetDb = 0);

// The note shown when a remembered device is not connected.
std::string MissingDeviceMessage(AudioDirection direction, std::string_view deviceName);
// The note shown when the chosen input line has nothing plugged into it.
std::string UnpluggedLineMessage(std::string_view lineName);
