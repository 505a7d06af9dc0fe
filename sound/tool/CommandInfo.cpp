// tallowin-sound info FILE: the format, length and layout of a wave file.
#include "sound/SampleFormat.h"
#include "sound/TimeText.h"
#include "sound/WaveFile.h"
#include "sound/tool/Commands.h"
#include "sound/tool/ToolText.h"

#include <cstdio>
#include <string>

namespace {

constexpr const char* kHelp = "usage: tallowin-sound info FILE\n"
                              "\n"
                              "Prints the format tag and name, the rate, channels and bits per sample, the length in\n"
                              "frames and as a time (hours:minutes:seconds.milliseconds), and where the samples lie.\n"
                              "Exit code 3 (and a note on stderr) when the file is damaged but readable.\n";

} // namespace

int RunInfo(Arguments arguments) {
    if (AsksForHelp(arguments)) {
        std::fputs(kHelp, stdout);
        return kExitOk;
    }
    if (arguments.size() != 1) {
        PrintError("info takes one FILE");
        std::fputs(kHelp, stderr);
        return kExitUsage;
    }
    const std::string& path = arguments[0];
    const WaveOpenResult opened = OpenWaveFileWithReason(path);
    if (!opened.source) {
        PrintError(DescribeOpenError(path, opened.error));
        return kExitFailure;
    }
    const WaveFormatRecord& format = opened.layout.format;
    LSoundSource& source = *opened.source;
    const int32_t frames = source.GetLength();
    std::printf("file:      %s\n", path.c_str());
    std::printf("format:    %s (tag 0x%04x)\n", FormatName(format).c_str(), format.formatTag);
    std::printf("rate:      %u frames per second\n", format.samplesPerSec);
    std::printf("channels:  %u\n", format.channels);
    std::printf("bits:      %u\n", format.bitsPerSample);
    std::printf("frames:    %d\n", frames);
    std::printf("duration:  %s\n", Trimmed(TimeTextMilliseconds(TimeForFrames(frames, source.Rate()))).c_str());
    std::printf("data:      %lld bytes at offset %lld\n", static_cast<long long>(opened.layout.presentBytes),
                static_cast<long long>(opened.layout.dataOffset));
    return ReportDamage(path, opened.layout) ? kExitDamaged : kExitOk;
}
