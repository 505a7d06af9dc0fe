// bench_codec_encode: one hour of 8 kHz mono speech-like audio encoded to GSM 6.10 and to IMA ADPCM (256-byte
// blocks) through the codec writer, beside ffmpeg encoding the same audio from a PCM wave file to the same formats
// in the same run, runs alternating. Prints the best of several runs in milliseconds and our time as a ratio of
// ffmpeg's.
#include "platform/CodecCatalog.h"
#include "sound/LSNKACMFile.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr uint32_t kRate = 8000;
constexpr size_t kFrames = size_t{kRate} * 3600;
constexpr int32_t kBlock = kMaxFramesPerCall;
constexpr int kRuns = 5;

using Clock = std::chrono::steady_clock;

template <typename Work> double Milliseconds(Work work) {
    const Clock::time_point start = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void Check(bool good, const char* what) {
    if (!good) {
        std::fprintf(stderr, "bench_codec_encode: %s failed\n", what);
        std::exit(1);
    }
}

// Syllables of voiced sound (harmonics of a gliding 100-220 Hz pitch under two formant-like peaks) of 120-300 ms,
// pauses between words, a little noise: in pipeline samples (16-bit values × 16).
std::vector<int32_t> SpeechLike() {
    std::vector<int32_t> samples(kFrames);
    uint32_t random = 12345;
    const auto next = [&random] {
        random = random * 1664525u + 1013904223u;
        return static_cast<double>(random >> 8) / 16777216.0;
    };
    const double pi = std::acos(-1.0);
    size_t at = 0;
    double phase = 0;
    while (at < kFrames) {
        const size_t syllable = static_cast<size_t>((0.12 + 0.18 * next()) * kRate);
        const double pitch = 100 + 120 * next();
        const double formant1 = 300 + 500 * next();
        const double formant2 = 1000 + 1500 * next();
        const double loudness = 3000 + 9000 * next();
        for (size_t i = 0; i < syllable && at < kFrames; ++i, ++at) {
            const double progress = static_cast<double>(i) / syllable;
            const double envelope = std::sin(pi * progress);
            phase += 2 * pi * pitch * (1 + 0.1 * progress) / kRate;
            double value = 0;
            for (int harmonic = 1; harmonic * pitch < 3500; ++harmonic) {
                const double frequency = harmonic * pitch;
                const double weight = 1 / (1 + std::pow((frequency - formant1) / 150, 2)) +
                                      0.5 / (1 + std::pow((frequency - formant2) / 250, 2));
                value += weight * std::sin(harmonic * phase);
            }
            value = loudness * envelope * value + 200 * (next() - 0.5);
            samples[at] = static_cast<int32_t>(std::clamp(value, -32767.0, 32767.0)) * 16;
        }
        const size_t pause = next() < 0.3 ? static_cast<size_t>((0.1 + 0.4 * next()) * kRate) : 0;
        for (size_t i = 0; i < pause && at < kFrames; ++i, ++at)
            samples[at] = static_cast<int32_t>(100 * (next() - 0.5)) * 16;
    }
    return samples;
}

void WritePcmWave(const std::string& path, const std::vector<int32_t>& samples) {
    std::vector<uint8_t> bytes;
    const std::vector<uint8_t> record = WaveFormatRecord::Pcm(kRate, 1, 16).Serialize();
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    const auto tag = [&bytes](const char* id) { bytes.insert(bytes.end(), id, id + 4); };
    tag("RIFF");
    AppendLe32(bytes, static_cast<uint32_t>(4 + 8 + record.size() + 8 + dataBytes));
    tag("WAVE");
    tag("fmt ");
    AppendLe32(bytes, static_cast<uint32_t>(record.size()));
    bytes.insert(bytes.end(), record.begin(), record.end());
    tag("data");
    AppendLe32(bytes, dataBytes);
    for (int32_t sample : samples)
        AppendLe16(bytes, static_cast<uint16_t>(LSF16::FromPipeline(sample)));
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    Check(out.good(), "writing the PCM input");
}

void EncodeThroughSink(const std::string& path, const WaveFormatRecord& format, const std::vector<int32_t>& samples) {
    LSNKACMFile sink(path, format);
    for (size_t done = 0; done < samples.size(); done += kBlock)
        sink.Write(samples.data() + done, static_cast<int32_t>(std::min<size_t>(kBlock, samples.size() - done)));
    Check(sink.Finish(), "the codec writer");
}

void EncodeWithFfmpeg(const std::string& input, const std::string& output, const std::string& codec) {
    const std::string command =
        "ffmpeg -nostdin -hide_banner -loglevel error -y -i '" + input + "' -acodec " + codec + " '" + output + "'";
    Check(std::system(command.c_str()) == 0, "ffmpeg");
}

} // namespace

int main() {
    if (std::system("command -v ffmpeg >/dev/null 2>&1") != 0) {
        std::fprintf(stderr, "bench_codec_encode: ffmpeg is needed\n");
        return 1;
    }
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("bench_codec_encode-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string input = (folder / "speech.wav").string();
    const std::vector<int32_t> samples = SpeechLike();
    WritePcmWave(input, samples);

    struct Case {
        const char* id;
        const char* ffmpegCodec;
    };
    std::printf("one hour of 8 kHz mono speech-like audio, best of %d runs\n", kRuns);
    std::printf("%-10s %12s %12s %8s %14s\n", "format", "ours ms", "ffmpeg ms", "ratio", "bytes");
    for (const Case& test : {Case{"gsm", "libgsm_ms"}, Case{"ima-adpcm", "adpcm_ima_wav -block_size 256"}}) {
        const std::optional<WaveFormatRecord> format = CodecCatalog::MakeFormat(test.id, kRate, 1);
        Check(format.has_value(), test.id);
        const std::string ours = (folder / (std::string(test.id) + "-ours.wav")).string();
        const std::string theirs = (folder / (std::string(test.id) + "-ffmpeg.wav")).string();
        // Runs alternate between the two, so a busy moment of the machine does not fall on one side only.
        double oursMs = 1e300;
        double ffmpegMs = 1e300;
        for (int run = 0; run < kRuns; ++run) {
            oursMs = std::min(oursMs, Milliseconds([&] { EncodeThroughSink(ours, *format, samples); }));
            ffmpegMs = std::min(ffmpegMs, Milliseconds([&] { EncodeWithFfmpeg(input, theirs, test.ffmpegCodec); }));
        }
        std::printf("%-10s %12.1f %12.1f %8.2f %14ju\n", test.id, oursMs, ffmpegMs, oursMs / ffmpegMs,
                    static_cast<uintmax_t>(std::filesystem::file_size(ours)));
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return 0;
}
