// Benchmark of the background send queue delivering to a folder: N queued dictations of M minutes (8000 Hz
// 16-bit mono speech-like noise) converted to GSM 6.10, packaged and copied, beside a reference run of the same
// conversions done directly in this process. Also measures the main thread's event latency while the worker runs
// (a loop that sleeps 1 ms and records its overshoot) and reads the worker's scheduling policy.
//   bench_send_folder [dictations=100] [minutes=5]
#include "SpeechLikeWave.h"
#include "platform/CodecCatalog.h"
#include "platform/FileOps.h"
#include "platform/Poster.h"
#include "send/AudioConversion.h"
#include "send/BGSend.h"
#include "send/TypistRecipient.h"
#include "sound/WaveFile.h"
#include "store/IniValues.h"
#include "store/RecordKeys.h"
#include "store/SettingsKeys.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sched.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double CpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double Seconds(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

double Percentile(std::vector<double> values, double fraction) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(fraction * static_cast<double>(values.size() - 1))];
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
    const double minutes = argc > 2 ? std::max(0.1, std::atof(argv[2])) : 5.0;

    std::string top = "/tmp/bench-send-folder-XXXXXX";
    if (!::mkdtemp(top.data()))
        return 1;
    top += "/";
    const SendContext context{top + "program/", top + "program/settings.ini", top + "Sent Files/"};
    const std::string typist = top + "typist/";
    MakeFolders(context.programFolder);
    MakeFolders(context.sentFolder);
    MakeFolders(typist);
    (void)WriteIntValue(context.settingsFile, SettingsKeys::kUserId, 42);
    (void)WriteBoolValue(context.settingsFile, "settings", "useridzerotold", true);
    (void)FlushProfile(context.settingsFile);
    TypistRecipient recipient;
    recipient.SetText(RecipientField::Name, "Typist");
    recipient.SetMethod(SendMethod::Lan);
    recipient.SetText(RecipientField::Folder, typist);
    const WaveFormatRecord gsm = CodecCatalog::MakeFormat("gsm", 8000, 1).value();
    (void)recipient.SetFormat(gsm);
    (void)recipient.Save(RecipientPath(context.programFolder, 0));
    (void)WriteIntValue(context.settingsFile, SettingsKeys::kSendCount, 1);
    (void)FlushProfile(context.settingsFile);

    // The audio is made once; each dictation is a hard link to it with a record of its own.
    const std::string source = top + "source.wav";
    if (!WriteSpeechLikeWave(source, minutes * 60)) {
        std::fprintf(stderr, "cannot write %s\n", source.c_str());
        return 1;
    }
    std::vector<std::string> waves;
    for (int i = 0; i < count; ++i) {
        const std::string name = "Dictation " + std::to_string(i + 1);
        const std::string wave = context.sentFolder + name + ".wav";
        if (::link(source.c_str(), wave.c_str()) != 0)
            std::filesystem::copy_file(source, wave);
        const std::string record = context.sentFolder + name + ".dat";
        (void)WriteIntValue(record, RecordKeys::kNumber, i + 1);
        (void)WriteStringValue(record, RecordKeys::kSendStatus, RecordKeys::kSentStatus);
        (void)FlushProfile(record);
        waves.push_back(wave);
    }

    // Reference: the same conversions done directly, one after the other.
    const double referenceCpu0 = CpuSeconds();
    const auto referenceStart = Clock::now();
    for (int i = 0; i < count; ++i)
        if (ConvertAudio(waves[static_cast<size_t>(i)], gsm, top + "reference.tmp") != ConversionOutcome::Converted)
            return 1;
    const double referenceWall = Seconds(Clock::now() - referenceStart);
    const double referenceCpu = CpuSeconds() - referenceCpu0;
    RemoveFile(top + "reference.tmp");

    // The queue: all dictations added at once, the main thread pumping notes and measuring its own latency.
    PumpPoster poster;
    std::atomic<int> policy{-1};
    std::atomic<bool> ended{false};
    BGSend queue(context);
    queue.SetNotify(&poster, [] {});
    queue.SetStageHook([&](SendStage stage) {
        if (stage == SendStage::Converting && policy.load() < 0)
            policy.store(::sched_getscheduler(0));
        if (stage == SendStage::Ending)
            ended.store(true);
    });
    if (!queue.Open(context.programFolder))
        return 1;
    const double queueCpu0 = CpuSeconds();
    const auto queueStart = Clock::now();
    for (const std::string& wave : waves)
        if (!queue.Add(wave, 0))
            return 1;
    std::vector<double> overshootMs;
    while (!ended.load()) {
        const auto before = Clock::now();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        overshootMs.push_back(Seconds(Clock::now() - before) * 1000.0 - 1.0);
        poster.Pump();
    }
    queue.Finish();
    const double queueWall = Seconds(Clock::now() - queueStart);
    const double queueCpu = CpuSeconds() - queueCpu0;
    const size_t delivered = ListFolder(typist).value_or(std::vector<std::string>{}).size();

    std::printf("send to a folder: %d dictations of %.1f min, 8000 Hz 16-bit mono -> GSM 6.10\n", count, minutes);
    std::printf("  queue:     %6.1f dictations/min  %.3f CPU s/dictation  (wall %.2f s, %zu delivered, queue %d)\n",
                count / queueWall * 60, queueCpu / count, queueWall, delivered, queue.GetCount());
    std::printf("  reference: %6.1f dictations/min  %.3f CPU s/dictation  (conversion alone, wall %.2f s)\n",
                count / referenceWall * 60, referenceCpu / count, referenceWall);
    std::printf("  ratio queue/reference: wall %.2f, CPU %.2f\n", queueWall / referenceWall, queueCpu / referenceCpu);
    std::printf("  main thread 1 ms sleep overshoot over %zu loops: p99 %.2f ms, max %.2f ms (goal < 50 ms)\n",
                overshootMs.size(), Percentile(overshootMs, 0.99), Percentile(overshootMs, 1.0));
    std::printf("  worker scheduling policy: %s\n",
                policy.load() == SCHED_IDLE ? "SCHED_IDLE"
                                            : ("not SCHED_IDLE (" + std::to_string(policy.load()) + ")").c_str());
    std::error_code ignored;
    std::filesystem::remove_all(top, ignored);
    return delivered == static_cast<size_t>(count) ? 0 : 1;
}
