// tallowin-sound tone OUT [--rate HZ] [--freq F] [--wave N] [--level DB] [--seconds S]: writes a test tone of the
// library's tone generator as a 16-bit mono wave file, through a peak limiter when the level could clip.
// OUT appears only when it was written whole.
#include "platform/FileOps.h"
#include "sound/ConversionChain.h"
#include "sound/LSSTone.h"
#include "sound/LSoundSink.h"
#include "sound/WaveFile.h"
#include "sound/tool/Commands.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr const char* kWaveNames[] = {"sine", "square", "triangle", "sawtooth", "impulse", "noise"};

constexpr const char* kHelp =
    "usage: tallowin-sound tone OUT [OPTIONS]\n"
    "\n"
    "Writes a test tone to OUT as a 16-bit mono wave file.\n"
    "\n"
    "options:\n"
    "  --rate HZ      frames per second, 1 to 192000 (default 8000)\n"
    "  --freq F       cycles per second, 0 to half the rate (default 1000); noise ignores it\n"
    "  --wave N       0 sine, 1 square, 2 triangle, 3 sawtooth, 4 impulse, 5 noise (default 0)\n"
    "  --level DB     whole decibels, -127 (silence) to 127 (default 0). At 0 a sine peaks at a quarter of\n"
    "                 full scale and every wave has the same loudness (RMS); from about +10 a peak limiter\n"
    "                 keeps the loudest waves from clipping\n"
    "  --seconds S    the length, up to 200000 (default 1)\n";

struct ToneOptions {
    std::string output;
    int32_t rate = 8000;
    double frequency = 1000;
    int wave = LSSTone::kSine;
    int8_t level = 0;
    double seconds = 1;
};

bool ParseWhole(const std::string& value, int64_t lowest, int64_t highest, int64_t& into) {
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), into);
    return error == std::errc() && end == value.data() + value.size() && into >= lowest && into <= highest;
}

bool ParseDecimal(const std::string& value, double lowest, double highest, double& into) {
    char* end = nullptr;
    into = std::strtod(value.c_str(), &end);
    return !value.empty() && end == value.c_str() + value.size() && std::isfinite(into) && into >= lowest &&
           into <= highest;
}

// Fills `options`; false with `problem` set when the command line is wrong.
bool ParseOptions(Arguments arguments, ToneOptions& options, std::string& problem) {
    std::vector<std::string> positional;
    for (size_t i = 0; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        if (name.size() < 2 || name.compare(0, 2, "--") != 0) {
            positional.push_back(name);
            continue;
        }
        std::string value;
        if (const size_t equals = name.find('='); equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            problem = name + " needs a value";
            return false;
        }
        int64_t whole = 0;
        if (name == "--rate") {
            if (!ParseWhole(value, 1, 192000, whole)) {
                problem = "--rate takes a whole number from 1 to 192000";
                return false;
            }
            options.rate = static_cast<int32_t>(whole);
        } else if (name == "--freq") {
            if (!ParseDecimal(value, 0, 1e9, options.frequency)) {
                problem = "--freq takes a number of cycles per second, 0 or more";
                return false;
            }
        } else if (name == "--wave") {
            if (!ParseWhole(value, LSSTone::kSine, LSSTone::kNoise, whole)) {
                problem = "--wave takes 0 (sine), 1 (square), 2 (triangle), 3 (sawtooth), 4 (impulse) or 5 (noise)";
                return false;
            }
            options.wave = static_cast<int>(whole);
        } else if (name == "--level") {
            if (!ParseWhole(value, -127, 127, whole)) {
                problem = "--level takes a whole number of decibels from -127 to 127";
                return false;
            }
            options.level = static_cast<int8_t>(whole);
        } else if (name == "--seconds") {
            if (!ParseDecimal(value, 0, 200000, options.seconds)) {
                problem = "--seconds takes a length from 0 to 200000";
                return false;
            }
        } else {
            problem = "unknown option \"" + name + "\"";
            return false;
        }
    }
    if (positional.size() != 1) {
        problem = "tone takes OUT";
        return false;
    }
    if (options.wave != LSSTone::kNoise && options.frequency > options.rate / 2.0) {
        problem = "--freq must be at most half the rate (" + std::to_string(options.rate / 2) + ")";
        return false;
    }
    options.output = positional[0];
    return true;
}

} // namespace

int RunTone(Arguments arguments) {
    if (AsksForHelp(arguments)) {
        std::fputs(kHelp, stdout);
        return kExitOk;
    }
    ToneOptions options;
    std::string problem;
    if (!ParseOptions(arguments, options, problem)) {
        PrintError(problem);
        std::fputs(kHelp, stderr);
        return kExitUsage;
    }

    const int32_t duration = static_cast<int32_t>(std::lround(options.seconds * 10000));
    LSoundSourceHandle tone =
        MakeHandle<LSSTone>(options.rate, options.frequency, options.wave, options.level, duration);
    const int64_t total = tone->GetLength();
    const ConversionChain chain = BuildConversionChain(tone, ConversionTarget());
    if (!chain.head) {
        PrintError(chain.problem);
        return kExitFailure;
    }

    const std::string temporary = MakeTemporaryBeside(options.output);
    if (temporary.empty()) {
        PrintError(options.output + ": cannot be written: " + std::strerror(errno));
        return kExitFailure;
    }
    bool written = false;
    {
        LSoundSinkHandle sink = CreateFileSinkForFormat(temporary, WaveFormatRecord::Pcm(options.rate, 1, 16));
        std::vector<int32_t> block(kMaxFramesPerCall);
        for (int64_t done = 0; done < total && !sink->IsInError();) {
            const int32_t step = static_cast<int32_t>(std::min<int64_t>(kMaxFramesPerCall, total - done));
            chain.head->Read(block.data(), step);
            sink->Write(block.data(), step);
            done += step;
        }
        written = FinishFileSink(*sink);
    }
    if (!written || std::rename(temporary.c_str(), options.output.c_str()) != 0) {
        PrintError(options.output + ": cannot be written" + (written ? ": " + std::string(std::strerror(errno)) : ""));
        RemoveFile(temporary);
        return kExitFailure;
    }
    std::printf("%s: %lld frames, %s", options.output.c_str(), static_cast<long long>(total), kWaveNames[options.wave]);
    if (options.wave != LSSTone::kNoise)
        std::printf(" of %g Hz", options.frequency);
    std::printf(" at %d dB, %d frames per second\n", options.level, options.rate);
    return kExitOk;
}
