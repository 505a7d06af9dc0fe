#include "store/DictationDateText.h"

#include <array>
#include <cstdio>
#include <ctime>
#include <limits>

std::string DictationDateText(int64_t date) {
    static constexpr std::array<const char*, 12> kMonths{"January",   "February", "March",    "April",
                                                         "May",       "June",     "July",     "August",
                                                         "September", "October",  "November", "December"};
    if (date < 1 || date > std::numeric_limits<std::time_t>::max())
        return "File create date unknown";
    const std::time_t time = static_cast<std::time_t>(date);
    std::tm local{};
    if (!::localtime_r(&time, &local) || local.tm_mon < 0 || local.tm_mon > 11)
        return "File create date unknown";
    char text[96];
    std::snprintf(text, sizeof text, "Dictation started %d %s %lld %.2d:%.2d", local.tm_mday, kMonths[local.tm_mon],
                  static_cast<long long>(local.tm_year) + 1900, local.tm_hour, local.tm_min);
    return text;
}
