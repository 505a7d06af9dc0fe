// MixerLevel: the record and play level scale of the mixer (0..65535, 1424 steps per decibel, 0 dB at 51264) and
// how a level becomes a gain on the sound server's scale.
//
//   backend.SetRecordLevel(device, MixerLevelForDb(recordVolumeDb));   // -12 dB: level 34176, gain 0.251
#pragma once

#include <cstdint>

inline constexpr uint16_t kMixerLevelUnity = 51264; // 0 dB
inline constexpr uint16_t kMixerLevelPerDb = 1424;

// The mixer level for a level of `db` whole decibels: 0 below -35 dB, otherwise (db + 36) x 1424, at most 65535.
uint16_t MixerLevelForDb(int db);

// The decibels a mixer level stands for on the same scale (level / 1424 - 36); -36 and below mean silence.
double DbForMixerLevel(uint16_t level);

// The amplitude factor applied for a mixer level: 10^(dB / 20), 0 for level 0 (silence). Level 51264 gives 1,
// 65535 gives 3.18 (+10 dB). The sound server gets the same decibels on its own volume scale, so 0 dB reads back
// as 100 % and -12 dB as 63 % (its volume percentages are cubic), -12.00 dB.
double GainForMixerLevel(uint16_t level);
