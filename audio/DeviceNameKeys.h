// DeviceNameKeys: settings keys that remember the chosen devices by the sound server's name, beside the device
// list indexes (soundin, soundoutdevice, docksoundin), so a choice survives re-plugging and reordering.
// An empty name stands for the default device (entry 0).
#pragma once

#include "store/IniKey.h"
#include "store/SettingsKeys.h"

namespace DeviceNameKeys {

inline constexpr StringKey kSoundInName{SettingsKeys::kSection, "soundinname", ""};
inline constexpr StringKey kSoundOutName{SettingsKeys::kSection, "soundoutname", ""};
inline constexpr StringKey kDockSoundInName{SettingsKeys::kSection, "docksoundinname", ""};

} // namespace DeviceNameKeys
