// bench_store_list: lists a store of 10,000 dictations (wave, record and notes each) the way the main window does
// (listing, stray clean-up, loading the selected dictation's record, notes and date) and prints microseconds per
// dictation beside a plain readdir of the same folder made in the same run.
#include "platform/FileOps.h"
#include "platform/LFile.h"
#include "store/DictationStore.h"
#include "store/IniValues.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int kDictations = 10000;
constexpr int kRuns = 15;

using Clock = std::chrono::steady_clock;

template <typename Work> double BestMicroseconds(Work work) {
    double best = 1e300;
    for (int run = 0; run < kRuns; ++run) {
        const Clock::time_point start = Clock::now();
        work();
        best = std::min(best, std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    return best;
}

} // namespace

int main() {
    char pattern[] = "/tmp/bench-store-list-XXXXXX";
    if (!::mkdtemp(pattern))
        return 1;
    const std::string root = std::string(pattern) + "/";
    const std::string current = root + "Current Files/";
    const std::string sent = root + "Sent Files/";
    MakeFolders(current);
    MakeFolders(sent);

    DictationStore store(current, sent, root + "settings.ini");
    // Laid out with plain writes: the setup needs no syncing, and the store reads the files the same way.
    const auto write = [](const std::string& path, std::string_view bytes) {
        LWriteFile file(path);
        return file.IsOpen() && file.Write(bytes.data(), bytes.size());
    };
    const std::string wave(44, 'w');
    for (int n = 1; n <= kDictations; ++n) {
        const std::string name = "Dictation " + std::to_string(n);
        std::string record = "[file]\nnumber=";
        record.append(std::to_string(n)).append("\ndate=").append(std::to_string(1764925620 + n));
        record.append("\npriority=Normal\n");
        const bool written = write(store.WavePath(StoreFolder::Current, name), wave) &&
                             write(store.NotesPath(StoreFolder::Current, name), std::string("notes\0", 6)) &&
                             write(store.RecordPath(StoreFolder::Current, name), record);
        if (!written) {
            std::fprintf(stderr, "cannot write the dictations in %s\n", root.c_str());
            return 1;
        }
    }

    size_t seen = 0;
    const double readdirTime = BestMicroseconds([&] {
        seen = 0;
        if (DIR* directory = ::opendir(current.c_str())) {
            while (::readdir(directory))
                ++seen;
            ::closedir(directory);
        }
    });

    size_t listed = 0;
    size_t loadedBytes = 0;
    const double storeTime = BestMicroseconds([&] {
        const std::optional<std::vector<std::string>> names = store.Refresh();
        listed = names ? names->size() : 0;
        if (listed == 0)
            return;
        const std::string& selected = names->back();
        const DictationRecord record = store.ReadRecord(StoreFolder::Current, selected);
        loadedBytes = record.priority.size() + store.LoadNotes(StoreFolder::Current, selected).value_or("").size() +
                      store.CreationDateText(StoreFolder::Current, selected).size() +
                      static_cast<size_t>(store.Length(StoreFolder::Current, selected));
        (void)FlushProfile(store.RecordPath(StoreFolder::Current, selected));
    });

    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
    if (listed != kDictations || seen != 3 * kDictations + 2 || loadedBytes == 0) {
        std::fprintf(stderr, "unexpected: %zu listed, %zu entries\n", listed, seen);
        return 1;
    }
    std::printf("dictations: %d (3 files each), best of %d runs\n", kDictations, kRuns);
    std::printf("readdir of the folder (reference): %10.1f us  %7.3f us per dictation\n", readdirTime,
                readdirTime / kDictations);
    std::printf("refresh + load selected (store):   %10.1f us  %7.3f us per dictation\n", storeTime,
                storeTime / kDictations);
    std::printf("ratio store / readdir: %.2f\n", storeTime / readdirTime);
    return 0;
}
