// bench_pcm_io: one hour of 8 kHz mono 16-bit audio written through the PCM writer, read through the PCM reader,
// and copied from one to the other in 8192-frame blocks, each beside a plain read()/write() of the same bytes made
// in the same run (the two in turn). Prints the best of several runs in milliseconds and the ratio to the plain
// form. The files live in memory when /dev/shm exists, so that the disk's write-back does not blur the figures.
#include "platform/LFile.h"
#include "sound/LSNKPCMFile.h"
#include "sound/WaveFile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

constexpr int32_t kRate = 8000;
constexpr int64_t kFrames = int64_t{kRate} * 3600;
constexpr int32_t kBlock = kMaxFramesPerCall;
constexpr int kRuns = 5;

using Clock = std::chrono::steady_clock;

void Check(bool good, const char* what) {
    if (!good) {
        std::fprintf(stderr, "bench_pcm_io: %s failed\n", what);
        std::exit(1);
    }
}

// Best times of `ours` and `plain`, run in turn so that a busy moment of the machine hits both alike. `output` (if
// any) is removed before every run, so that no run pays for cutting the last run's file.
template <typename Ours, typename Plain>
std::pair<double, double> BestOfEach(Ours ours, Plain plain, const std::string& output) {
    const auto timed = [&output](auto work) {
        if (!output.empty())
            ::unlink(output.c_str());
        const Clock::time_point start = Clock::now();
        work();
        return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    };
    double bestOurs = 1e300;
    double bestPlain = 1e300;
    for (int run = 0; run < kRuns; ++run) {
        bestOurs = std::min(bestOurs, timed(ours));
        bestPlain = std::min(bestPlain, timed(plain));
    }
    return {bestOurs, bestPlain};
}

// A block of a sawtooth, in pipeline samples.
std::vector<int32_t> PipelineBlock() {
    std::vector<int32_t> block(kBlock);
    for (int32_t i = 0; i < kBlock; ++i)
        block[i] = ((i * 37) % 65536 - 32768) * 16;
    return block;
}

void WriteThroughSink(const std::string& path, const std::vector<int32_t>& block) {
    LSNKPCMFile<LSF16> sink(path, kRate, 1);
    for (int64_t done = 0; done < kFrames; done += kBlock)
        sink.Write(block.data(), static_cast<int32_t>(std::min<int64_t>(kBlock, kFrames - done)));
    Check(sink.Finish(), "the PCM writer");
}

void WritePlain(const std::string& path, const std::vector<uint8_t>& bytes) {
    LFile file = LFile::Open(path, O_WRONLY | O_CREAT | O_TRUNC);
    Check(file.Write(bytes.data(), 46), "write()");
    for (int64_t done = 0; done < kFrames; done += kBlock)
        Check(file.Write(bytes.data(), static_cast<size_t>(std::min<int64_t>(kBlock, kFrames - done)) * 2), "write()");
}

int64_t ReadThroughSource(const std::string& path, std::vector<int32_t>& block) {
    LSoundSourceHandle source = OpenWaveFile(path);
    Check(source && source->GetLength() == kFrames, "the PCM reader");
    int64_t sum = 0;
    while (source->GetPosition() < source->GetLength()) {
        const int32_t frames = std::min(kBlock, source->GetLength() - source->GetPosition());
        source->Read(block.data(), frames);
        sum += block[0];
    }
    return sum;
}

int64_t ReadPlain(const std::string& path, std::vector<uint8_t>& bytes) {
    LFile file = LFile::Open(path, O_RDONLY);
    int64_t sum = 0;
    while (file.Read(bytes.data(), bytes.size()) > 0)
        sum += bytes[0];
    return sum;
}

void CopyThroughPipeline(const std::string& from, const std::string& to, std::vector<int32_t>& block) {
    LSoundSourceHandle source = OpenWaveFile(from);
    LSNKPCMFile<LSF16> sink(to, kRate, 1);
    while (source->GetPosition() < source->GetLength()) {
        const int32_t frames = std::min(kBlock, source->GetLength() - source->GetPosition());
        source->Read(block.data(), frames);
        sink.Write(block.data(), frames);
    }
    Check(sink.Finish(), "the pipeline copy");
}

void CopyPlain(const std::string& from, const std::string& to, std::vector<uint8_t>& bytes) {
    LFile in = LFile::Open(from, O_RDONLY);
    LFile out = LFile::Open(to, O_WRONLY | O_CREAT | O_TRUNC);
    int64_t got;
    while ((got = in.Read(bytes.data(), bytes.size())) > 0)
        Check(out.Write(bytes.data(), static_cast<size_t>(got)), "write()");
}

void Print(const char* what, std::pair<double, double> times) {
    std::printf("%-28s %9.1f ms   plain %9.1f ms   ratio %.2f\n", what, times.first, times.second,
                times.first / times.second);
}

} // namespace

int main() {
    std::string folder =
        std::filesystem::is_directory("/dev/shm") ? "/dev/shm/bench-pcm-io-XXXXXX" : "/tmp/bench-pcm-io-XXXXXX";
    if (!::mkdtemp(folder.data()))
        return 1;
    folder += "/";
    const std::string ours = folder + "ours.wav";
    const std::string plain = folder + "plain.wav";

    std::vector<int32_t> block = PipelineBlock();
    std::vector<uint8_t> bytes(static_cast<size_t>(kBlock) * 2);
    for (int32_t i = 0; i < kBlock; ++i) {
        const auto sample = static_cast<uint16_t>(block[i] / 16);
        bytes[2 * i] = static_cast<uint8_t>(sample);
        bytes[2 * i + 1] = static_cast<uint8_t>(sample >> 8);
    }

    std::printf("one hour at %d frames per second, mono, 16-bit: %lld frames, %lld bytes, blocks of %d frames, in %s\n",
                kRate, static_cast<long long>(kFrames), static_cast<long long>(kFrames * 2 + 46), kBlock,
                folder.c_str());
    // Each writes a new file every run: its earlier file goes before the clock starts.
    Print("write (LSNKPCMFile)",
          BestOfEach([&] { WriteThroughSink(ours, block); }, [&] { WritePlain(plain, bytes); }, ""));
    int64_t sink = 0;
    Print("read (LSRCPCMFile)",
          BestOfEach([&] { sink += ReadThroughSource(ours, block); }, [&] { sink += ReadPlain(plain, bytes); }, ""));
    const std::string copy = folder + "copy.wav";
    Print("copy (reader into writer)",
          BestOfEach([&] { CopyThroughPipeline(ours, copy, block); }, [&] { CopyPlain(plain, copy, bytes); }, copy));
    std::printf("(checksum %lld)\n", static_cast<long long>(sink));

    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return 0;
}
