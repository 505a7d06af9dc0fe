#include "sound/TimeText.h"

#include <cstdio>

namespace {

// `rounding` is half the shown unit in 1/10000 s, `unit` the shown unit, `digits` the fraction's digits.
std::string FormatTime(int32_t time, int64_t rounding, int64_t unit, int digits) {
    // 64 bits, so the most negative value has a magnitude too.
    int64_t magnitude = time;
    const char sign = magnitude < 0 ? '-' : ' ';
    if (magnitude < 0)
        magnitude = -magnitude;
    const int64_t t = magnitude + rounding;
    char text[48];
    std::snprintf(text, sizeof text, "%c%lld:%.2lld:%.2lld.%.*lld", sign, static_cast<long long>(t / 36000000),
                  static_cast<long long>((t / 600000) % 60), static_cast<long long>((t / 10000) % 60), digits,
                  static_cast<long long>((t % 10000) / unit));
    return text;
}

} // namespace

std::string TimeTextMilliseconds(int32_t time) {
    return FormatTime(time, 5, 10, 3);
}

std::string TimeTextHundredths(int32_t time) {
    return FormatTime(time, 50, 100, 2);
}

std::string TimeTextTenths(int32_t time) {
    return FormatTime(time, 500, 1000, 1);
}
