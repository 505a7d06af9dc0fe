// TimeText: the text forms of a time value (1/10000 s): a sign character (' ' or '-'), hours without leading
// zeros, two-digit minutes and seconds, and a fraction rounded to the nearest shown digit, halves up.
//
//   TimeTextTenths(9499) == " 0:00:00.9"
#pragma once

#include <cstdint>
#include <string>

std::string TimeTextMilliseconds(int32_t time); // " 0:00:00.000"
std::string TimeTextHundredths(int32_t time);   // " 0:00:00.00"
std::string TimeTextTenths(int32_t time);       // " 0:00:00.0", the form the windows show
