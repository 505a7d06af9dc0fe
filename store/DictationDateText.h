// DictationDateText: the creation date line the main window shows for a dictation, in local time.
//
//   DictationDateText(0) == "File create date unknown"
//   DictationDateText(t) == "Dictation started 5 December 2026 09:07"
#pragma once

#include <cstdint>
#include <string>

// `date` in seconds since 1 January 1970; a date below 1 (or one the calendar cannot show) is unknown.
std::string DictationDateText(int64_t date);
