#include "platform/MixerLevel.h"

#include <cmath>

uint16_t MixerLevelForDb(int db) {
    if (db < -35)
        return 0;
    const int level = (db + 36) * kMixerLevelPerDb;
    return static_cast<uint16_t>(level > 65535 ? 65535 : level);
}

double DbForMixerLevel(uint16_t level) {
    return static_cast<double>(level) / kMixerLevelPerDb - 36.0;
}

double GainForMixerLevel(uint16_t level) {
    if (level == 0)
        return 0.0;
    if (level == kMixerLevelUnity)
        return 1.0;
    return std::pow(10.0, DbForMixerLevel(level) / 20.0);
}
