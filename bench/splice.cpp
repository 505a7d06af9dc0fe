// bench_splice: inserts 10 s into the middle of a 60-minute dictation (8 kHz mono 16-bit) through InsertSplice,
// beside a plain copy of the same file made in the same run: read()/write() in 8192-frame blocks, flushed to disk
// and renamed over the target, as the splice does. Each is run in turn on fresh files; prints the best of several
// runs in milliseconds and the ratio to the copy. The files live in /dev/shm when it exists.
#include "app/InsertSplice.h"
#include "platform/FileOps.h"
#include "platform/LFile.h"
#include "sound/WaveFile.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int32_t kRate = 8000;
constexpr int32_t kDictationFrames = kRate * 3600;
constexpr int32_t kInsertFrames = kRate * 10;
constexpr int kRuns = 5;

using Clock = std::chrono::steady_clock;

void Check(bool good, const char* what) {
    if (!good) {
        std::fprintf(stderr, "bench_splice: %s failed\n", what);
        std::exit(1);
    }
}

void WriteTone(const std::string& path, int32_t frames, int32_t period) {
    LSoundSinkHandle sink = CreatePCMFileSink(path, kRate, 1, 16, 0);
    std::vector<int32_t> block(8192);
    for (int32_t done = 0; done < frames;) {
        const int32_t step = std::min<int32_t>(8192, frames - done);
        for (int32_t i = 0; i < step; ++i)
            block[static_cast<size_t>(i)] = ((done + i) % period - period / 2) * 64;
        sink->Write(block.data(), step);
        done += step;
    }
    Check(FinishFileSink(*sink), "writing the test files");
}

// The reference: the same bytes copied in 16 KB blocks, flushed and renamed over the target.
void PlainCopy(const std::string& from, const std::string& to) {
    const std::string temporary = to + ".copy";
    LFile input = LFile::Open(from, O_RDONLY);
    LFile output = LFile::Open(temporary, O_WRONLY | O_CREAT | O_TRUNC);
    std::vector<uint8_t> buffer(16384);
    for (;;) {
        const int64_t got = input.Read(buffer.data(), buffer.size());
        Check(got >= 0, "reading");
        if (got == 0)
            break;
        Check(output.Write(buffer.data(), static_cast<size_t>(got)), "writing");
    }
    Check(output.Sync(), "flushing");
    output.Close();
    Check(std::rename(temporary.c_str(), to.c_str()) == 0, "renaming");
}

double Milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

} // namespace

int main() {
    const std::string base =
        std::filesystem::exists("/dev/shm") ? "/dev/shm/" : std::filesystem::temp_directory_path().string() + "/";
    const std::string folder = base + "bench_splice_" + std::to_string(::getpid()) + "/";
    Check(MakeFolders(folder), "making the folder");
    const std::string original = folder + "original.wav";
    const std::string dictation = folder + "Dictation 1.wav";
    const std::string recording = folder + ".insert-Dictation 1.wav";
    WriteTone(original, kDictationFrames, 160);
    WriteTone(recording, kInsertFrames, 37);

    double bestSplice = 1e30;
    double bestCopy = 1e30;
    for (int run = 0; run < kRuns; ++run) {
        std::filesystem::copy_file(original, dictation, std::filesystem::copy_options::overwrite_existing);
        auto start = Clock::now();
        InsertSplice splice(dictation, recording, kDictationFrames / 2);
        Check(splice.Run(nullptr) == SpliceResult::Spliced, "splicing");
        bestSplice = std::min(bestSplice, Milliseconds(Clock::now() - start));

        std::filesystem::copy_file(original, dictation, std::filesystem::copy_options::overwrite_existing);
        start = Clock::now();
        PlainCopy(original, dictation);
        bestCopy = std::min(bestCopy, Milliseconds(Clock::now() - start));
    }
    std::filesystem::remove_all(folder);

    std::printf("60-minute dictation (%d frames), 10 s inserted in the middle, best of %d runs in %s\n",
                kDictationFrames, kRuns, base.c_str());
    std::printf("  insert splice:  %8.1f ms\n", bestSplice);
    std::printf("  plain copy:     %8.1f ms\n", bestCopy);
    std::printf("  ratio:          %8.2f (goal: within 2)\n", bestSplice / bestCopy);
    return 0;
}
