#include "CodecTestKit.h"

#include "LSNKACMFile.h"
#include "LSRCACMWave.h"

#include <LFile.h>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace codec_test {

std::vector<int16_t> Tone(uint32_t rate, uint16_t channels, size_t frames) {
    std::vector<int16_t> samples(frames * channels);
    const double pi = std::acos(-1.0);
    for (size_t frame = 0; frame < frames; ++frame) {
        const double t = static_cast<double>(frame) / rate;
        const double swell = 0.6 + 0.4 * std::sin(2 * pi * 3 * t);
        const double value = swell * (0.5 * std::sin(2 * pi * 300 * t) + 0.3 * std::sin(2 * pi * 730 * t));
        for (uint16_t channel = 0; channel < channels; ++channel)
            samples[frame * channels + channel] = static_cast<int16_t>(value * (channel == 0 ? 20000 : 15000));
    }
    return samples;
}

std::vector<int16_t> Sweep(uint32_t rate, size_t frames) {
    std::vector<int16_t> samples(frames);
    const double pi = std::acos(-1.0);
    const double duration = static_cast<double>(frames) / rate;
    for (size_t frame = 0; frame < frames; ++frame) {
        const double t = static_cast<double>(frame) / rate;
        const double phase = 2 * pi * (200 * t + (1500 - 200) * t * t / (2 * duration));
        samples[frame] = static_cast<int16_t>(16000 * std::sin(phase));
    }
    return samples;
}

std::string RunCommand(const std::string& command, int* exitCode) {
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        if (exitCode)
            *exitCode = -1;
        return output;
    }
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, got);
    const int status = ::pclose(pipe);
    if (exitCode)
        *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return output;
}

bool HaveProgram(const std::string& name) {
    int code = 0;
    RunCommand("command -v " + name + " >/dev/null 2>&1", &code);
    return code == 0;
}

std::optional<WaveChunks> ReadChunks(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0)
        return std::nullopt;
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    WaveChunks chunks;
    bool haveFormat = false;
    size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const std::string id = bytes.substr(at, 4);
        const uint32_t size = ReadLe32(data + at + 4);
        chunks.chunkIds.push_back(id);
        const size_t body = at + 8;
        if (id == "fmt ") {
            std::optional<WaveFormatRecord> format =
                WaveFormatRecord::Parse(std::span(data + body, std::min<size_t>(size, bytes.size() - body)));
            if (!format)
                return std::nullopt;
            chunks.format = *format;
            haveFormat = true;
        } else if (id == "fact" && size >= 4) {
            chunks.factFrames = ReadLe32(data + body);
        } else if (id == "data") {
            chunks.dataOffset = static_cast<int64_t>(body);
            chunks.dataBytes = size;
            return haveFormat ? std::optional(chunks) : std::nullopt;
        }
        at = body + size + (size & 1);
    }
    return std::nullopt;
}

LSoundSourceHandle OpenReader(const std::string& path) {
    std::optional<WaveChunks> chunks = ReadChunks(path);
    if (!chunks)
        return {};
    return MakeHandle<LSRCACMWave>(LReadFile(path), chunks->format, chunks->dataOffset, chunks->dataBytes,
                                   chunks->factFrames);
}

std::vector<int16_t> ReadToEnd(LSoundSource& source) {
    std::vector<int16_t> samples;
    std::vector<int32_t> block(8192 * source.Channels());
    while (source.GetPosition() < source.GetLength()) {
        const int32_t frames = std::min(8192, source.GetLength() - source.GetPosition());
        source.Read(block.data(), frames);
        for (size_t i = 0; i < static_cast<size_t>(frames) * source.Channels(); ++i)
            samples.push_back(LSF16::FromPipeline(block[i]));
    }
    return samples;
}

bool WriteWithSink(const std::string& path, const WaveFormatRecord& format, const std::vector<int16_t>& samples,
                   int32_t framesPerWrite) {
    LSNKACMFile sink(path, format);
    const size_t channels = format.channels;
    std::vector<int32_t> block;
    for (size_t start = 0; start < samples.size(); start += static_cast<size_t>(framesPerWrite) * channels) {
        const size_t end = std::min(samples.size(), start + static_cast<size_t>(framesPerWrite) * channels);
        block.clear();
        for (size_t i = start; i < end; ++i)
            block.push_back(LSF16::ToPipeline(samples[i]));
        sink.Write(block.data(), static_cast<int32_t>((end - start) / channels));
    }
    return sink.Finish();
}

std::vector<int16_t> DecodeWithFfmpeg(const std::string& path, uint16_t channels) {
    const std::string raw = path + ".ffmpeg.raw";
    int code = 0;
    RunCommand("ffmpeg -nostdin -hide_banner -loglevel error -y -i '" + path + "' -f s16le -acodec pcm_s16le -ac " +
                   std::to_string(channels) + " '" + raw + "' 2>&1",
               &code);
    std::vector<int16_t> samples;
    if (code != 0)
        return samples;
    std::ifstream in(raw, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    samples.resize(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    std::remove(raw.c_str());
    return samples;
}

std::optional<std::vector<int16_t>> DecodeWithSox(const std::string& path) {
    const std::string raw = path + ".sox.raw";
    int code = 0;
    RunCommand("sox -V1 '" + path + "' -t raw -e signed-integer -b 16 '" + raw + "' 2>/dev/null", &code);
    if (code != 0)
        return std::nullopt;
    std::ifstream in(raw, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    std::remove(raw.c_str());
    return samples;
}

std::string Probe(const std::string& path, const std::string& field) {
    std::string value = RunCommand("ffprobe -v error -select_streams a:0 -show_entries stream=" + field +
                                   " -of default=noprint_wrappers=1:nokey=1 '" + path + "' 2>/dev/null");
    while (!value.empty() && (value.back() == '\n' || value.back() == '\r'))
        value.pop_back();
    return value;
}

void WritePcmWave(const std::string& path, const std::vector<int16_t>& samples, uint32_t rate, uint16_t channels) {
    const WaveFormatRecord format = WaveFormatRecord::Pcm(rate, channels, 16);
    std::vector<uint8_t> bytes;
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    const auto tag = [&bytes](const char* id) { bytes.insert(bytes.end(), id, id + 4); };
    tag("RIFF");
    AppendLe32(bytes, 4 + 26 + 8 + dataBytes);
    tag("WAVE");
    tag("fmt ");
    const std::vector<uint8_t> record = format.Serialize();
    AppendLe32(bytes, static_cast<uint32_t>(record.size()));
    bytes.insert(bytes.end(), record.begin(), record.end());
    tag("data");
    AppendLe32(bytes, dataBytes);
    for (int16_t sample : samples)
        AppendLe16(bytes, static_cast<uint16_t>(sample));
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

double BestCorrelation(const std::vector<int16_t>& a, const std::vector<int16_t>& b, uint16_t channels, int maxLag,
                       int* bestLag) {
    const size_t framesA = a.size() / channels;
    const size_t framesB = b.size() / channels;
    double best = -1;
    for (int lag = 0; lag <= maxLag; ++lag) {
        if (framesB < static_cast<size_t>(lag) + framesA / 2)
            break; // too little overlap to mean anything
        double ab = 0, aa = 0, bb = 0;
        for (size_t frame = 0; frame < framesA && frame + static_cast<size_t>(lag) < framesB; ++frame) {
            const double x = a[frame * channels];
            const double y = b[(frame + static_cast<size_t>(lag)) * channels];
            ab += x * y;
            aa += x * x;
            bb += y * y;
        }
        const double value = aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0;
        if (value > best) {
            best = value;
            if (bestLag)
                *bestLag = lag;
        }
    }
    return best;
}

} // namespace codec_test
