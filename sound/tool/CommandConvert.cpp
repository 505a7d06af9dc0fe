// tallowin-sound convert IN OUT [--format ID] [--rate HZ] [--channels N] [--gain DB] [--speed X] [--limit]
// [--repeat FROM,TO,TIMES] [--highpass HZ]: streams a wave file through the conversion chain into another format,
// 8192 frames at a time (memory does not grow with the file). OUT appears only when the whole conversion
// succeeded. On a terminal a progress line counts through long files.
#include "platform/CodecCatalog.h"
#include "platform/FileOps.h"
#include "sound/ConversionChain.h"
#include "sound/LSRCRepeat.h"
#include "sound/LSoundSink.h"
#include "sound/WaveFile.h"
#include "sound/tool/Commands.h"
#include "sound/tool/ToolText.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// What a convert command line asks for. New options add a field here and a line to kOptions.
// The tool limits only when asked (--limit); the send queue always does.
ConversionTarget NoLimit() {
    ConversionTarget target;
    target.limit = false;
    return target;
}

// A whole number in [lowest, highest] into `into`; false with `problem` set otherwise.
template <class Number>
bool ParseNumber(const std::string& value, int64_t lowest, int64_t highest, Number& into, const char* option,
                 std::string& problem) {
    int64_t number = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (error != std::errc() || end != value.data() + value.size() || number < lowest || number > highest) {
        problem = std::string(option) + " takes a whole number from " + std::to_string(lowest) + " to " +
                  std::to_string(highest);
        return false;
    }
    into = static_cast<Number>(number);
    return true;
}

// A decimal number in [lowest, highest].
bool ParseDecimal(const std::string& value, double lowest, double highest, double& into) {
    char* end = nullptr;
    const double number = std::strtod(value.c_str(), &end);
    if (value.empty() || end != value.c_str() + value.size() || !std::isfinite(number) || number < lowest ||
        number > highest)
        return false;
    into = number;
    return true;
}

struct ConvertOptions;
bool ParseRepeat(const std::string& value, ConvertOptions& options, std::string& problem);

struct ConvertOptions {
    std::string input;
    std::string output;
    std::string formatId = "pcm16";
    ConversionTarget chain = NoLimit(); // rate, channels, gain, speed, loop, high-pass
    int32_t repeatTimes = 0;
};

struct OptionSpec {
    const char* name;      // "--format"
    const char* valueName; // "ID"; "" for an option without a value
    const char* help;
    // Stores `value`; false with `problem` set when the value is unusable.
    bool (*apply)(ConvertOptions& options, const std::string& value, std::string& problem);
};

const OptionSpec kOptions[] = {
    {"--format", "ID", "the output format, an ID of `tallowin-sound formats` (default pcm16)",
     [](ConvertOptions& options, const std::string& value, std::string& problem) {
         if (!CodecCatalog::Find(value) && value != "pcm16") {
             problem = "unknown format \"" + value + "\" (see `tallowin-sound formats`)";
             return false;
         }
         options.formatId = value;
         return true;
     }},
    {"--rate", "HZ", "the output rate in frames per second (default IN's)",
     [](ConvertOptions& options, const std::string& value, std::string& problem) {
         return ParseNumber(value, 1, 1000000, options.chain.rate, "--rate", problem);
     }},
    {"--channels", "N", "the output channel count, 1 to 255 (default IN's); 2 to 1 keeps the left channel",
     [](ConvertOptions& options, const std::string& value, std::string& problem) {
         return ParseNumber(value, 1, 255, options.chain.channels, "--channels", problem);
     }},
    {"--gain", "DB", "a fixed gain in whole decibels, -127 (silence) to 127",
     [](ConvertOptions& options, const std::string& value, std::string& problem) {
         return ParseNumber(value, -127, 127, options.chain.gainDb, "--gain", problem);
     }},
    {"--speed", "X", "playing speed at the same pitch: 2 is twice as fast, -1 plays backwards block by block",
     [](ConvertOptions& options, const std::string& value, std::string& problem) {
         if (!ParseDecimal(value, -1000, 1000, options.chain.speed) || options.chain.speed == 0) {
             problem = "--speed takes a number from -1000 to 1000 other than 0";
             return false;
         }
         return true;
     }},
    {"--limit", "", "a peak limiter before the writer: what would clip is turned down just in time instead",
     [](ConvertOptions& options, const std::string&, std::string&) {
         options.chain.limit = true;
         return true;
     }},
    {"--repeat", "FROM,TO,TIMES", "plays IN up to TO seconds, then FROM..TO again TIMES times, and ends there",
     [](ConvertOptions& options, const std::string& value, std::string& problem) {
         return ParseRepeat(value, options, problem);
     }},
    {"--highpass", "HZ", "a high-pass filter with its corner near HZ (takes out hum, rumble and offset)",
     [](ConvertOptions& options, const std::string& value, std::string& problem) {
         if (!ParseDecimal(value, 0.001, 1000000, options.chain.highPassHz)) {
             problem = "--highpass takes a frequency above 0";
             return false;
         }
         return true;
     }},
};

// FROM,TO,TIMES: seconds, seconds, a whole number of further passes.
bool ParseRepeat(const std::string& value, ConvertOptions& options, std::string& problem) {
    const size_t first = value.find(',');
    const size_t second = first == std::string::npos ? first : value.find(',', first + 1);
    double from = 0;
    double to = 0;
    std::string ignored;
    if (second == std::string::npos || !ParseDecimal(value.substr(0, first), 0, 200000, from) ||
        !ParseDecimal(value.substr(first + 1, second - first - 1), 0, 200000, to) ||
        !ParseNumber(value.substr(second + 1), 0, 100000, options.repeatTimes, "--repeat", ignored)) {
        problem = "--repeat takes FROM,TO,TIMES: two times in seconds (up to 200000) and a count from 0 to 100000";
        return false;
    }
    options.chain.repeat =
        std::make_pair(static_cast<int32_t>(std::lround(from * 10000)), static_cast<int32_t>(std::lround(to * 10000)));
    return true;
}

std::string Help() {
    std::string text = "usage: tallowin-sound convert IN OUT [OPTIONS]\n"
                       "\n"
                       "Writes the wave file IN to OUT in the chosen format, at IN's rate and channels\n"
                       "unless the options below change them.\n"
                       "OUT is replaced only when the whole conversion succeeded.\n"
                       "\n"
                       "options:\n";
    for (const OptionSpec& option : kOptions)
        text += std::string("  ") + option.name + (*option.valueName ? " " : "") + option.valueName + "\n      " +
                option.help + "\n";
    text += "\nThe steps run in this order: loop, high-pass, speed, channels and rate, gain, limit.\n"
            "Exit code 3 (and a note on stderr) when IN is damaged: what it holds is written.\n";
    return text;
}

bool ParseOptions(Arguments arguments, ConvertOptions& options, std::string& problem) {
    std::vector<std::string> positional;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument.size() < 2 || argument.compare(0, 2, "--") != 0) {
            positional.push_back(argument);
            continue;
        }
        const size_t equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        const OptionSpec* known = nullptr;
        for (const OptionSpec& option : kOptions)
            if (name == option.name)
                known = &option;
        if (!known) {
            problem = "unknown option \"" + name + "\"";
            return false;
        }
        std::string value;
        if (!*known->valueName) {
            if (equals != std::string::npos) {
                problem = name + " takes no value";
                return false;
            }
        } else if (equals != std::string::npos) {
            value = argument.substr(equals + 1);
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            problem = name + " needs a value";
            return false;
        }
        if (!known->apply(options, value, problem))
            return false;
    }
    if (positional.size() != 2) {
        problem = "convert takes IN and OUT";
        return false;
    }
    options.input = positional[0];
    options.output = positional[1];
    if (options.chain.repeat && options.chain.speed < 0) {
        problem = "--repeat and a negative --speed cannot be combined";
        return false;
    }
    return true;
}

// The record to write for `options` at the input's rate and channels, or nothing with `problem` set.
std::optional<WaveFormatRecord> TargetFormat(const ConvertOptions& options, uint32_t rate, uint16_t channels,
                                             std::string& problem) {
    const CodecCatalogEntry* entry = CodecCatalog::Find(options.formatId);
    if (!entry || entry->formatTag == WaveFormatRecord::kTagPcm)
        return WaveFormatRecord::Pcm(rate, channels, entry ? entry->bitsPerSample : 16);
    if (std::optional<WaveFormatRecord> format = CodecCatalog::MakeFormat(options.formatId, rate, channels))
        return format;
    problem = entry->name + " cannot be written at " + std::to_string(rate) + " frames per second with " +
              std::to_string(channels) + " channel(s)";
    return std::nullopt;
}

bool IsSameFile(const std::string& first, const std::string& second) {
    struct stat a {};
    struct stat b {};
    return ::stat(first.c_str(), &a) == 0 && ::stat(second.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

// Bits per sample of the writer for a format ID: the PCM entries' own, 16 for the codecs (they take 16-bit PCM).
int WriterBits(const std::string& formatId) {
    const CodecCatalogEntry* entry = CodecCatalog::Find(formatId);
    return entry && entry->formatTag == WaveFormatRecord::kTagPcm && entry->bitsPerSample ? entry->bitsPerSample : 16;
}

// The output frames to write when a speed or a loop decide the length (position and length cannot: a loop never
// reaches the end and a backwards speed stops at the start); nothing when the chain's own length does.
std::optional<int64_t> PlannedFrames(const ConvertOptions& options, LSoundSource& root) {
    const ConversionTarget& target = options.chain;
    if (!target.repeat && target.speed == 1.0)
        return std::nullopt;
    int64_t input = root.GetLength();
    if (target.repeat) {
        int64_t start = FramesForTime(target.repeat->first, root.Rate());
        int64_t end = FramesForTime(target.repeat->second, root.Rate());
        if (end < start)
            std::swap(start, end);
        input = end + options.repeatTimes * std::max<int64_t>(end - start, LSRCRepeat::kMinimumLoopFrames);
    }
    double frames = static_cast<double>(input) / std::fabs(target.speed);
    if (target.rate != 0)
        frames = frames * target.rate / root.Rate();
    return static_cast<int64_t>(std::ceil(frames));
}

// "converting IN: 42 %" on stderr while a conversion of more than a minute of sound runs, when stderr is a
// terminal; the line is wiped at the end.
class ProgressLine {
public:
    ProgressLine(const std::string& name, int64_t total, int32_t rate)
        : m_name(name), m_total(total), m_shown(::isatty(STDERR_FILENO) && total > 60 * static_cast<int64_t>(rate)) {}
    ~ProgressLine() {
        if (m_shown && m_percent >= 0)
            std::fprintf(stderr, "\r%*s\r", static_cast<int>(m_name.size()) + 20, "");
    }
    void Show(int64_t done) {
        const int percent = static_cast<int>(std::clamp<int64_t>(done * 100 / std::max<int64_t>(m_total, 1), 0, 100));
        if (!m_shown || percent == m_percent)
            return;
        m_percent = percent;
        std::fprintf(stderr, "\rconverting %s: %3d %%", m_name.c_str(), percent);
        std::fflush(stderr);
    }

private:
    std::string m_name;
    int64_t m_total;
    bool m_shown;
    int m_percent = -1;
};

// Q24 gain that carries samples from `from` full scale to `to` (8-bit files have half the 16-bit scale).
uint32_t ScaleGain(int32_t from, int32_t to) {
    if (from <= 0 || to <= 0 || from == to)
        return kUnityGain;
    return static_cast<uint32_t>(std::llround(static_cast<double>(to) / from * kUnityGain));
}

} // namespace

std::string MakeTemporaryBeside(const std::string& path) {
    std::string name = std::string(FolderOf(path)) + "." + std::string(FileNameOf(path)) + ".XXXXXX";
    const int descriptor = ::mkstemp(name.data());
    if (descriptor < 0)
        return {};
    ::fchmod(descriptor, ModeUnderUmask(0666));
    ::close(descriptor);
    return name;
}

int RunConvert(Arguments arguments) {
    if (AsksForHelp(arguments)) {
        std::fputs(Help().c_str(), stdout);
        return kExitOk;
    }
    ConvertOptions options;
    std::string problem;
    if (!ParseOptions(arguments, options, problem)) {
        PrintError(problem);
        std::fputs(Help().c_str(), stderr);
        return kExitUsage;
    }
    if (IsSameFile(options.input, options.output)) {
        PrintError("OUT is the same file as IN; write to another file");
        return kExitUsage;
    }

    const WaveOpenResult opened = OpenWaveFileWithReason(options.input);
    if (!opened.source) {
        PrintError(DescribeOpenError(options.input, opened.error));
        return kExitFailure;
    }
    // The chain works in IN's units (the limiter at IN's full scale); the scaling below carries them to OUT's.
    LSoundSourceHandle root = opened.source;
    const int32_t reference = root->FullScale();
    ConversionTarget target = options.chain;
    target.bits = WriterBits(options.formatId);
    target.limitLevel = reference;
    const std::optional<int64_t> planned = PlannedFrames(options, *root);
    if (planned && *planned > INT32_MAX) {
        PrintError("the result would be longer than a wave file can hold");
        return kExitUsage;
    }
    if (target.speed < 0) // backwards from the last block (of LSRCSpeed's rate / 40 frames) to the start
        root->Seek(std::max(0, root->GetLength() - std::clamp(root->Rate() / 40, 20, 8192)));
    const ConversionChain chain = BuildConversionChain(root, target);
    if (!chain.head) {
        PrintError(options.input + ": " + chain.problem);
        return kExitUsage;
    }
    LSoundSource& source = *chain.head;
    const std::optional<WaveFormatRecord> format =
        TargetFormat(options, static_cast<uint32_t>(source.Rate()), source.Channels(), problem);
    if (!format) {
        PrintError(problem);
        return kExitFailure;
    }

    const std::string temporary = MakeTemporaryBeside(options.output);
    if (temporary.empty()) {
        PrintError(options.output + ": cannot be written: " + std::strerror(errno));
        return kExitFailure;
    }
    bool written = false;
    int64_t frames = 0;
    {
        LSoundSinkHandle sink = CreateFileSinkForFormat(temporary, *format);
        const uint32_t gain = ScaleGain(reference, sink->FullScale());
        std::vector<int32_t> block(static_cast<size_t>(kMaxFramesPerCall) * source.Channels());
        ProgressLine progress(options.input, planned.value_or(source.GetLength()), source.Rate());
        while (!sink->IsInError()) {
            int32_t asked = 0;
            int32_t got = 0;
            if (planned) {
                asked = static_cast<int32_t>(std::min<int64_t>(kMaxFramesPerCall, *planned - frames));
                if (asked <= 0)
                    break;
                source.Read(block.data(), asked);
                got = asked;
            } else {
                const int32_t position = source.GetPosition();
                const int32_t length = source.GetLength();
                if (position >= length)
                    break;
                asked = std::min(kMaxFramesPerCall, length - position);
                source.Read(block.data(), asked);
                // A codec's length is an estimate until its end: keep only the frames the source really had.
                got = std::clamp(source.GetLength() - position, 0, asked);
            }
            if (gain != kUnityGain)
                for (size_t i = 0; i < static_cast<size_t>(got) * source.Channels(); ++i)
                    block[i] = Q24Product(block[i], gain);
            sink->Write(block.data(), got);
            frames += got;
            progress.Show(frames);
            if (got < asked)
                break;
        }
        written = FinishFileSink(*sink);
    }
    if (!written || std::rename(temporary.c_str(), options.output.c_str()) != 0) {
        PrintError(options.output + ": cannot be written" + (written ? ": " + std::string(std::strerror(errno)) : ""));
        RemoveFile(temporary);
        return kExitFailure;
    }
    std::printf("%s: %lld frames, %s, %u frames per second, %u channel(s)\n", options.output.c_str(),
                static_cast<long long>(frames), FormatName(*format).c_str(), format->samplesPerSec, format->channels);
    return ReportDamage(options.input, opened.layout) ? kExitDamaged : kExitOk;
}
