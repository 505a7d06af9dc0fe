// bench_engines: one hour of 8 kHz mono recorded and played through the engines on the file device as fast as it
// goes: CPU seconds per hour of audio, beside a plain copy of the same file through the pipeline (reader to PCM
// sink) made in the same process, and the allocations counted while the engines run.
#include "audio/LSoundPlayer.h"
#include "audio/LSoundRecorder.h"
#include "platform/AudioBackend.h"
#include "platform/Poster.h"
#include "sound/LSPSpeed.h"
#include "sound/WaveFile.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <new>
#include <string>
#include <thread>
#include <vector>

namespace {

std::atomic<int64_t> g_allocations{0};
std::atomic<int64_t> g_otherThreadAllocations{0};
std::thread::id g_mainThread;

double CpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

constexpr int32_t kRate = 8000;
constexpr int32_t kHour = 3600 * kRate;
constexpr double kBlocks = kHour / 800.0;

// Speech-like input: 0.8 s of a tone, 0.4 s of silence, again and again.
bool WriteHourOfSpeech(const std::string& path) {
    LSoundSinkHandle sink = CreatePCMFileSink(path, kRate, 1, 16, 0);
    std::vector<int32_t> block(9600);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = i < 6400 ? static_cast<int32_t>(std::lround(8000 * 16 * std::sin(i * 0.3454))) : 0;
    for (int32_t done = 0; done < kHour; done += 9600)
        sink->Write(block.data(), 9600);
    return FinishFileSink(*sink);
}

double CopyThroughPipeline(const std::string& in, const std::string& out) {
    const double start = CpuSeconds();
    LSoundSourceHandle source = OpenWaveFile(in);
    LSoundSinkHandle sink = CreatePCMFileSink(out, kRate, 1, 16, 0);
    std::vector<int32_t> block(800);
    for (int32_t done = 0; done < source->GetLength(); done += 800) {
        source->Read(block.data(), 800);
        sink->Write(block.data(), 800);
    }
    if (!FinishFileSink(*sink))
        std::fprintf(stderr, "bench_engines: cannot write %s\n", out.c_str());
    return CpuSeconds() - start;
}

struct Run {
    double cpuSeconds = 0;
    int64_t allocations = 0;
    int64_t otherThreadAllocations = 0;
};

Run Record(const std::string& in, const std::string& out) {
    FileAudioOptions options;
    options.inputPath = in;
    options.pacing = FilePacing::Fast;
    std::unique_ptr<AudioBackend> backend = CreateFileBackend(options);
    PumpPoster poster;
    LSoundRecorder recorder(poster, *backend);
    const double start = CpuSeconds();
    LSoundSinkHandle sink = CreatePCMFileSink(out, kRate, 1, 16, 0);
    if (!recorder.Record(sink, 0, -15, 30000))
        std::fprintf(stderr, "bench_engines: cannot record\n");
    sink.Reset();
    const int64_t allocations = g_allocations, other = g_otherThreadAllocations;
    poster.Pump(); // every block of the hour
    Run run{0, g_allocations - allocations, g_otherThreadAllocations - other};
    recorder.StopRecording();
    run.cpuSeconds = CpuSeconds() - start;
    return run;
}

Run Play(const std::string& in, double speed) {
    std::unique_ptr<AudioBackend> backend = CreateFileBackend([] {
        FileAudioOptions options;
        options.pacing = FilePacing::Fast;
        options.outputPath = ""; // played and discarded
        return options;
    }());
    PumpPoster poster;
    LSoundPlayer player(poster, *backend);
    player.levelsEnabled = true;
    const double start = CpuSeconds();
    LSoundSourceHandle source = OpenWaveFile(in);
    if (speed != 1.0)
        LSPSpeed(speed, speed, 0).Apply(source, source);
    if (!player.Play(source))
        std::fprintf(stderr, "bench_engines: cannot play\n");
    const int64_t allocations = g_allocations, other = g_otherThreadAllocations;
    while (player.IsBusy())
        poster.WaitAndPump(std::chrono::milliseconds(20));
    return {CpuSeconds() - start, g_allocations - allocations, g_otherThreadAllocations - other};
}

} // namespace

// Counting replacements of the global allocation functions (GCC takes their malloc and free for a mismatch).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void* operator new(size_t size) {
    ++g_allocations;
    if (std::this_thread::get_id() != g_mainThread)
        ++g_otherThreadAllocations;
    if (void* memory = std::malloc(size ? size : 1))
        return memory;
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, size_t) noexcept {
    std::free(memory);
}

int main() {
    g_mainThread = std::this_thread::get_id();
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "bench_engines";
    std::filesystem::create_directories(folder);
    const std::string input = (folder / "hour.wav").string();
    if (!WriteHourOfSpeech(input)) {
        std::fprintf(stderr, "bench_engines: cannot write %s\n", input.c_str());
        return 1;
    }

    const double copy = CopyThroughPipeline(input, (folder / "copy.wav").string());
    const Run record = Record(input, (folder / "recorded.wav").string());
    const Run play = Play(input, 1.0);
    const Run fast = Play(input, 7.0);

    std::printf("one hour of 8 kHz mono (%.0f blocks of 0.1 s), CPU seconds (goal: under 36)\n", kBlocks);
    std::printf("  reference: copy through the pipeline %8.2f s\n", copy);
    std::printf("  recorder (voice activated)           %8.2f s  %5.2f x reference\n", record.cpuSeconds,
                record.cpuSeconds / copy);
    std::printf("  player                               %8.2f s  %5.2f x reference\n", play.cpuSeconds,
                play.cpuSeconds / copy);
    std::printf("  player at 7x through the speed change%8.2f s  %5.2f x reference\n", fast.cpuSeconds,
                fast.cpuSeconds / copy);
    std::printf("allocations while running (per block; the worker thread's in brackets)\n");
    std::printf("  recorder               %lld (%.3f per block; device thread %lld)\n",
                static_cast<long long>(record.allocations), double(record.allocations) / kBlocks,
                static_cast<long long>(record.otherThreadAllocations));
    std::printf("  player                 %lld (%.3f per block; worker %lld = %.4f per block)\n",
                static_cast<long long>(play.allocations), double(play.allocations) / kBlocks,
                static_cast<long long>(play.otherThreadAllocations), double(play.otherThreadAllocations) / kBlocks);
    std::printf("  player at 7x           %lld (%.3f per block; worker %lld)\n",
                static_cast<long long>(fast.allocations), double(fast.allocations) / kBlocks,
                static_cast<long long>(fast.otherThreadAllocations));
    std::filesystem::remove_all(folder);
    return 0;
}
