#include "sound/LDecibelTable.h"

#include <array>
#include <cmath>

namespace {

struct Tables {
    std::array<uint32_t, 256> amplitude{};
    std::array<uint32_t, 256> power{};

    Tables() {
        for (int decibels = -126; decibels <= 127; ++decibels) {
            amplitude[decibels + 128] = Entry(decibels / 20.0L);
            power[decibels + 128] = Entry(decibels / 10.0L);
        }
    }

    static uint32_t Entry(long double exponent) {
        const long double value = std::pow(10.0L, exponent) * 16777216.0L + 0.5L;
        if (value >= 2147483647.0L)
            return 0x7fffffff;
        return static_cast<uint32_t>(value);
    }
};

const Tables& TheTables() {
    static const Tables tables;
    return tables;
}

} // namespace

uint32_t LDecibelTable::Amplitude(int8_t decibels) {
    return TheTables().amplitude[decibels + 128];
}

uint32_t LDecibelTable::Power(int8_t decibels) {
    return TheTables().power[decibels + 128];
}
