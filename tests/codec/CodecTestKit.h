// CodecTestKit: helpers for the codec tests: test tones, running the other programs (ffmpeg, ffprobe, sox), a small
// chunk walk to hand files straight to the codec reader, whole-file reads and writes through our reader and
// writer, and the best normalised correlation between two signals.
#pragma once

#include "LSoundSource.h"

#include <WaveFormatRecord.h>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace codec_test {

// A mix of two sines with a slow swell (speech-like enough for the speech codecs), 16-bit, `channels` interleaved
// (the right channel a little quieter).
std::vector<int16_t> Tone(uint32_t rate, uint16_t channels, size_t frames);

// A sweep from 200 Hz to 1500 Hz over `frames` frames, mono: no two stretches alike, so a correlation finds the
// one lag where two copies line up.
std::vector<int16_t> Sweep(uint32_t rate, size_t frames);

// Runs a shell command; its standard output, and the exit code in `exitCode`.
std::string RunCommand(const std::string& command, int* exitCode = nullptr);
bool HaveProgram(const std::string& name);

// What a wave file holds, found by walking its chunks.
struct WaveChunks {
    WaveFormatRecord format;
    int64_t dataOffset = 0;
    int64_t dataBytes = 0;
    std::optional<int64_t> factFrames;
    std::vector<std::string> chunkIds;
};
std::optional<WaveChunks> ReadChunks(const std::string& path);

// A codec reader on `path` made with the reader's constructor; empty when the chunks cannot be found.
LSoundSourceHandle OpenReader(const std::string& path);
// All frames from `source`'s position up to its length, as 16-bit samples.
std::vector<int16_t> ReadToEnd(LSoundSource& source);

// Writes `samples` to `path` through LSNKACMFile in calls of `framesPerWrite`; true when Finish() reported success.
bool WriteWithSink(const std::string& path, const WaveFormatRecord& format, const std::vector<int16_t>& samples,
                   int32_t framesPerWrite = 8192);

// ffmpeg's decoding of `path` as 16-bit samples of `channels` channels (empty when it fails).
std::vector<int16_t> DecodeWithFfmpeg(const std::string& path, uint16_t channels);
// sox's decoding of `path` as 16-bit samples, or nothing when sox cannot read it.
std::optional<std::vector<int16_t>> DecodeWithSox(const std::string& path);
// An ffprobe field of the first audio stream ("codec_name", "sample_rate", "channels", "duration").
std::string Probe(const std::string& path, const std::string& field);

// Writes 16-bit mono or stereo PCM as a plain wave file.
void WritePcmWave(const std::string& path, const std::vector<int16_t>& samples, uint32_t rate, uint16_t channels);

// The largest normalised correlation of channel 0 of `a` against `b` over lags 0..maxLag (b delayed by lag);
// the lag is stored in `bestLag`. Lags that leave less than half of `a` overlapping are not tried.
double BestCorrelation(const std::vector<int16_t>& a, const std::vector<int16_t>& b, uint16_t channels, int maxLag,
                       int* bestLag = nullptr);

} // namespace codec_test
