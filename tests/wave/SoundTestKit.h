// What the sound tests share: wave files built byte by byte, signals, memory sources, reads, writes, ffmpeg and sox.
#pragma once

#include "MemorySource.h"
#include "platform/CodecCatalog.h"
#include "platform/FileOps.h"
#include "platform/LFile.h"
#include "sound/LSRCACMWave.h"
#include "sound/WaveFile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <iterator>
#include <numbers>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

namespace sound_test {

inline std::string Le16(uint16_t value) {
    return {static_cast<char>(value & 0xff), static_cast<char>(value >> 8)};
}

inline std::string Le32(uint32_t value) {
    return Le16(static_cast<uint16_t>(value)) + Le16(static_cast<uint16_t>(value >> 16));
}

inline uint32_t ReadLe32At(const std::string& bytes, size_t offset) {
    return ReadLe32(reinterpret_cast<const uint8_t*>(bytes.substr(offset, 4).data()));
}

// id, size (the body's unless given), body, and a pad byte after an odd body.
inline std::string Chunk(std::string_view id, std::string_view body, std::optional<uint32_t> size = std::nullopt) {
    return std::string(id) + Le32(size.value_or(static_cast<uint32_t>(body.size()))) + std::string(body) +
           std::string(body.size() % 2, '\0');
}

// "RIFF", size (4 + the chunks' unless given), "WAVE", chunks.
inline std::string Riff(std::string_view chunks, std::optional<uint32_t> size = std::nullopt) {
    return "RIFF" + Le32(size.value_or(static_cast<uint32_t>(4 + chunks.size()))) + "WAVE" + std::string(chunks);
}

// A "fmt " body of 16 bytes (block align = channels × bytes per sample unless given).
inline std::string FormatBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, uint16_t blockAlign = 0) {
    blockAlign = blockAlign ? blockAlign : static_cast<uint16_t>(channels * ((bits + 7) / 8));
    return Le16(tag) + Le16(channels) + Le32(rate) + Le32(rate * blockAlign) + Le16(blockAlign) + Le16(bits);
}

inline std::string Samples16(const std::vector<int16_t>& samples) {
    std::string bytes;
    for (int16_t sample : samples)
        bytes += Le16(static_cast<uint16_t>(sample));
    return bytes;
}

// The samples 0, 1, 2, ... (wrapping at 16 bits).
inline std::vector<int16_t> Ramp(size_t count) {
    std::vector<int16_t> samples(count);
    std::iota(samples.begin(), samples.end(), int16_t{0});
    return samples;
}

inline std::string Wave(const std::string& body, const std::string& data) {
    return Riff(Chunk("fmt ", body) + Chunk("data", data));
}

// A plain 16-bit PCM file as other programs write it: a 16-byte fmt chunk, then the data (a 44-byte header).
inline std::string Pcm16File(const std::vector<int16_t>& samples, uint16_t channels = 1, uint32_t rate = 8000) {
    return Wave(FormatBody(1, channels, rate, 16), Samples16(samples));
}

// The 46-byte header our PCM writers make for `dataBytes` bytes of samples.
inline std::string OurHeader(uint32_t dataBytes, uint16_t channels = 1, uint32_t rate = 8000, uint16_t bits = 16) {
    return Riff(Chunk("fmt ", FormatBody(1, channels, rate, bits) + Le16(0)) + "data" + Le32(dataBytes),
                38 + dataBytes);
}

// 16-bit samples as the pipeline carries them.
inline std::vector<int32_t> Pipeline16(const std::vector<int16_t>& samples) {
    std::vector<int32_t> pipeline(samples.size());
    std::ranges::transform(samples, pipeline.begin(), [](int16_t sample) { return 16 * sample; });
    return pipeline;
}

// `frames` frames of a sine of `frequency` Hz and peak `amplitude`, the same in every channel.
inline std::vector<int32_t> Sine(int32_t rate, double frequency, int32_t frames, double amplitude, int channels = 1) {
    std::vector<int32_t> samples(static_cast<size_t>(frames) * channels);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int32_t>(std::lround(
            amplitude * std::sin(2 * std::numbers::pi * frequency * static_cast<double>(i / channels) / rate)));
    return samples;
}

// Reproducible noise in -amplitude..amplitude.
inline std::vector<int32_t> Noise(int64_t samples, int32_t amplitude, uint32_t seed = 1) {
    std::vector<int32_t> values(samples);
    for (uint32_t state = seed; int32_t & value : values) {
        state = state * 1664525u + 1013904223u;
        value = static_cast<int32_t>(static_cast<int64_t>(state >> 8) % (2 * int64_t{amplitude} + 1) - amplitude);
    }
    return values;
}

// Two sines under a slow swell (speech-like enough for the speech codecs), the right channel a little quieter.
inline std::vector<int32_t> Tone(uint32_t rate, uint16_t channels, size_t frames) {
    std::vector<int32_t> samples(frames * channels);
    for (size_t i = 0; i < samples.size(); ++i) {
        const double t = static_cast<double>(i / channels) / rate, pi = std::numbers::pi;
        const double value = (0.6 + 0.4 * std::sin(2 * pi * 3 * t)) *
                             (0.5 * std::sin(2 * pi * 300 * t) + 0.3 * std::sin(2 * pi * 730 * t));
        samples[i] = 16 * static_cast<int16_t>(value * (i % channels == 0 ? 20000 : 15000));
    }
    return samples;
}

inline LSoundSourceHandle Memory(std::vector<int32_t> samples, int32_t rate, uint8_t channels = 1,
                                 int32_t fullScale = kFullScale16) {
    return MakeHandle<MemorySource>(std::move(samples), rate, channels, fullScale);
}

// A source marked invalid by its rate of 0.
inline LSoundSourceHandle InvalidSource() {
    return Memory(std::vector<int32_t>(100, 5000), 0);
}

// Reads `frames` frames, in blocks whose sizes cycle through `blocks`.
inline std::vector<int32_t> ReadInBlocks(LSoundSource& source, int64_t frames,
                                         std::initializer_list<int32_t> blocks = {8192}) {
    std::vector<int32_t> out(static_cast<size_t>(frames) * source.Channels(), 0x5555);
    for (int64_t done = 0; done < frames;)
        for (int32_t block : blocks) {
            const int32_t step = static_cast<int32_t>(std::min<int64_t>(block, frames - done));
            source.Read(out.data() + static_cast<size_t>(done) * source.Channels(), step);
            if ((done += step) == frames)
                break;
        }
    return out;
}

// All frames from `source`'s position up to its length (which a codec reader may learn only on the way).
inline std::vector<int32_t> ReadToEnd(LSoundSource& source) {
    std::vector<int32_t> samples;
    while (source.GetPosition() < source.GetLength())
        std::ranges::copy(ReadInBlocks(source, std::min(8192, source.GetLength() - source.GetPosition())),
                          std::back_inserter(samples));
    return samples;
}

inline bool AllZero(const std::vector<int32_t>& samples, size_t from = 0, size_t to = SIZE_MAX) {
    return std::all_of(samples.begin() + std::min(from, samples.size()), samples.begin() + std::min(to, samples.size()),
                       [](int32_t v) { return v == 0; });
}

// Writes `samples` through `sink` in calls of `framesPerWrite` frames; true when finishing reported success.
inline bool WriteThrough(LSoundSink& sink, const std::vector<int32_t>& samples, int32_t framesPerWrite = 8192) {
    for (size_t start = 0; start < samples.size(); start += static_cast<size_t>(framesPerWrite) * sink.Channels())
        sink.Write(samples.data() + start,
                   static_cast<int32_t>(std::min<size_t>(framesPerWrite, (samples.size() - start) / sink.Channels())));
    return FinishFileSink(sink);
}

// The catalog's format `id` as its codec describes it, whether or not it can encode it.
inline WaveFormatRecord Format(const char* id, uint32_t rate = 8000, uint16_t channels = 1) {
    return CodecCatalog::BuildFormat(*CodecCatalog::Find(id), rate, channels);
}

// The codec reader made straight on `path` (whatever its format tag) for the data chunk and fact count of `layout`.
inline LSoundSourceHandle CodecReader(const std::string& path, const WaveFileLayout& layout) {
    return MakeHandle<LSRCACMWave>(LReadFile(path), layout.format, layout.dataOffset, layout.presentBytes,
                                   layout.factFrames);
}

// Runs a shell command; true when it exits with 0. Its standard output goes to `output` when given.
inline bool Shell(const std::string& command, std::string* output = nullptr) {
    FILE* pipe = ::popen(command.c_str(), "r");
    char buffer[4096];
    for (size_t got; pipe && (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        if (output)
            output->append(buffer, got);
    return pipe && ::pclose(pipe) == 0;
}

// ffmpeg's or sox's decoding of `path` to pipeline samples of `channels` channels; empty when it fails.
inline std::vector<int32_t> DecodeWith(const std::string& program, const std::string& path, uint16_t channels) {
    const std::string raw = path + ".raw";
    if (!Shell(program == "sox" ? "sox -V1 '" + path + "' -t raw -e signed-integer -b 16 '" + raw + "' 2>&1"
                                : "ffmpeg -nostdin -loglevel error -y -i '" + path + "' -f s16le -ac " +
                                      std::to_string(channels) + " '" + raw + "' 2>&1"))
        return {};
    const std::string bytes = ReadFileBytes(raw).value_or("");
    std::vector<int32_t> samples(bytes.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = 16 * static_cast<int16_t>(ReadLe16(reinterpret_cast<const uint8_t*>(bytes.data()) + 2 * i));
    return samples;
}

// The level in dB of one channel over frames [first, first + count) against a sine of peak `amplitude`.
inline double LevelDb(const std::vector<int32_t>& samples, int channels, int64_t first, int64_t count,
                      double amplitude) {
    double sum = 0;
    for (int64_t frame = first; frame < first + count; ++frame)
        sum += std::pow(static_cast<double>(samples[static_cast<size_t>(frame * channels)]), 2);
    return 20 * std::log10(std::sqrt(sum / static_cast<double>(count)) / (amplitude / std::sqrt(2.0)));
}

// The largest normalised correlation of channel 0 of `a` against `b` over lags 0..maxLag (b delayed by lag). Lags
// that leave less than half of `a` overlapping are not tried.
inline double BestCorrelation(const std::vector<int32_t>& a, const std::vector<int32_t>& b, uint16_t channels,
                              int maxLag) {
    const size_t framesA = a.size() / channels, framesB = b.size() / channels;
    double best = -1;
    for (size_t lag = 0; lag <= static_cast<size_t>(maxLag) && framesB >= lag + framesA / 2; ++lag) {
        double ab = 0, aa = 0, bb = 0;
        for (size_t frame = 0; frame < framesA && frame + lag < framesB; ++frame) {
            const double x = a[frame * channels], y = b[(frame + lag) * channels];
            ab += x * y;
            aa += x * x;
            bb += y * y;
        }
        best = std::max(best, aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0);
    }
    return best;
}

} // namespace sound_test
