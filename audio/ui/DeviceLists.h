// DeviceLists: the recording and playback device lists and the input-line list as every sound dialog fills them
// (Hardware Settings, the portable dictaphone transfer): the devices by description, and the lines of one device
// after the "server's choice" entry, each marked when nothing is plugged into it now (a headset plugged in later is
// told apart), with a disabled note when there is no choice to make. Main thread.
//
//   const std::vector<AudioDeviceInfo> devices = FillDeviceList(combo, backend, AudioDirection::Recording);
//   FillInputLineList(lines, backend, device, line + 1);   // index 0 is the server's choice (line -1)
#pragma once

#include "platform/AudioTypes.h"

#include <vector>

class AudioBackend;
class QComboBox;

// The texts the line list shows below the lines (disabled entries) for a device with no or one line, or whose
// lines cannot be read.
inline constexpr const char* kNoLinesNote = "(this device has no input lines to choose)";
inline constexpr const char* kOneLineNote = "(this device has one input line)";
inline constexpr const char* kUnreadableLinesNote = "(the input lines of this device cannot be read)";
// Follows the name of a line with nothing plugged into it.
inline constexpr const char* kUnpluggedLineMark = " (unplugged)";

// Fills `list` with the devices of that direction (at most the mixer's entry limit); returns them in list order.
std::vector<AudioDeviceInfo> FillDeviceList(QComboBox* list, AudioBackend& backend, AudioDirection direction);

// Fills `list` with the input lines of `device` after the server's choice, and selects `selectIndex` (falling back to
// the server's choice when it is beyond the lines).
void FillInputLineList(QComboBox* list, AudioBackend& backend, int device, int selectIndex);
