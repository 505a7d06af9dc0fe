// bench_sent_status: a "Sent Files/" store of 20,000 sent dictations (wave, record and notes each). Times the
// work-progress list (ListSentWork) beside a plain listing that reads every record's bytes, made in the same run,
// and the merge of a status file of 1,000 records (some repeating a number, some already holding their status),
// counting the record files that were rewritten.
#include "platform/FileOps.h"
#include "platform/LFile.h"
#include "send/SentWorkList.h"
#include "send/StatusFile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr int kDictations = 20000;
constexpr int kStatusRecords = 1000;
constexpr int kRuns = 5;

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double CpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Best wall time and best processor time of several runs (the machine may be shared: the processor time tells
// what the work itself costs).
struct Timing {
    double wall = 1e300;
    double cpu = 1e300;
};

template <typename Work> Timing Best(Work work) {
    Timing best;
    for (int run = 0; run < kRuns; ++run) {
        const Clock::time_point start = Clock::now();
        const double cpuStart = CpuSeconds();
        work();
        best.cpu = std::min(best.cpu, CpuSeconds() - cpuStart);
        best.wall = std::min(best.wall, SecondsSince(start));
    }
    return best;
}

bool Write(const std::string& path, std::string_view bytes) {
    LWriteFile file(path);
    return file.IsOpen() && file.Write(bytes.data(), bytes.size());
}

std::string Le32(uint32_t value) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<char>(value >> (8 * i));
    return bytes;
}

} // namespace

int main() {
    char pattern[] = "/tmp/bench-sent-status-XXXXXX";
    if (!::mkdtemp(pattern))
        return 1;
    const std::string root = std::string(pattern) + "/";
    const std::string sent = root + "Sent Files/";
    MakeFolders(sent);

    const std::string wave(44, 'w');
    for (int n = 1; n <= kDictations; ++n) {
        const std::string name = sent + "Dictation " + std::to_string(n);
        // Dictations numbered ...1 already show "Done", the status the merge brings for them.
        std::string record = "[file]\nnumber=" + std::to_string(n) +
                             "\ndate=1764925620\npriority=Normal\nsenddate=" + std::to_string(1764925620 + n) +
                             "\nrecipient=Jane Typist (/srv/typing)\nsendstatus=" + (n % 10 == 1 ? "Done" : "Sent") +
                             "\ndelivery=Delivered\n";
        if (!Write(name + ".wav", wave) || !Write(name + ".txt", std::string("notes\0", 6)) ||
            !Write(name + ".dat", record)) {
            std::fprintf(stderr, "cannot lay out the store in %s\n", root.c_str());
            return 1;
        }
    }

    size_t lines = 0;
    const Timing list = Best([&] { lines = ListSentWork(sent).size(); });
    size_t readBytes = 0;
    const Timing reference = Best([&] {
        readBytes = 0;
        for (const std::string& name : ListFolder(sent).value_or(std::vector<std::string>{}))
            if (name.ends_with(".dat"))
                readBytes += ReadFileBytes(sent + name).value_or(std::string()).size();
    });
    std::printf("ListSentWork: %zu lines of %d dictations: %.3f s wall, %.3f s processor (goal under 0.5 s), "
                "%.1f us processor per dictation\n",
                lines, kDictations, list.wall, list.cpu, list.cpu * 1e6 / kDictations);
    std::printf("reference (listing + reading each record, %zu bytes): %.3f s wall, %.3f s processor; ratio of "
                "processor times %.2f\n",
                readBytes, reference.wall, reference.cpu, list.cpu / reference.cpu);

    // 1,000 records over 800 numbers spread through the store: 200 numbers appear twice (the later one wins).
    std::string status = Le32(0);
    for (int i = 0; i < kStatusRecords; ++i) {
        const int number = 1 + (i % 800) * 25;
        std::string text = i < 800 ? "Typing" : "Done";
        if (number % 10 == 1)
            text = "Done"; // what these dictations show already
        text.resize(16, '\0');
        status += Le32(static_cast<uint32_t>(number)) + text;
    }
    const std::string statusPath = root + "s0000042.sta";
    Write(statusPath, status);

    std::vector<ino_t> before;
    for (int n = 1; n <= kDictations; ++n) {
        struct stat info {};
        ::stat((sent + "Dictation " + std::to_string(n) + ".dat").c_str(), &info);
        before.push_back(info.st_ino);
    }
    const Clock::time_point start = Clock::now();
    const double cpuStart = CpuSeconds();
    const StatusMergeResult merged = ApplyStatusFile(statusPath, sent);
    const double mergeSeconds = SecondsSince(start);
    const double mergeCpu = CpuSeconds() - cpuStart;
    size_t filesChanged = 0;
    for (int n = 1; n <= kDictations; ++n) {
        struct stat info {};
        ::stat((sent + "Dictation " + std::to_string(n) + ".dat").c_str(), &info);
        filesChanged += info.st_ino != before[static_cast<size_t>(n - 1)];
    }
    std::printf("merge of %zu status records: %.3f s wall, %.3f s processor; %zu dictations matched, %zu records "
                "written, %zu record files replaced on disk\n",
                merged.records, mergeSeconds, mergeCpu, merged.matched, merged.recordsWritten, filesChanged);
    const Clock::time_point second = Clock::now();
    const double secondCpu = CpuSeconds();
    const StatusMergeResult again = ApplyStatusFile(statusPath, sent);
    std::printf("the same merge again: %.3f s wall, %.3f s processor, %zu records written\n", SecondsSince(second),
                CpuSeconds() - secondCpu, again.recordsWritten);

    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
    return 0;
}
