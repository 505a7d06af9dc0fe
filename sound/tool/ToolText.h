// ToolText: the texts the tallowin-sound commands share: format names, failure and damage messages.
#pragma once

#include "platform/WaveFormatRecord.h"
#include "sound/WaveFileInfo.h"

#include <string>
#include <string_view>

// The codec catalog's name for the format, else a name for its tag ("PCM", "IEEE float", "tag 0x1234").
std::string FormatName(const WaveFormatRecord& format);
// "PATH: damaged or not a wave file: The file has no data chunk. (byte 36)"
std::string DescribeOpenError(const std::string& path, const WaveFileError& error);
// Prints a note on stderr when the layout shows damage that reading works around; true when it did.
bool ReportDamage(const std::string& path, const WaveFileLayout& layout);
// `text` without leading spaces.
std::string Trimmed(std::string_view text);
