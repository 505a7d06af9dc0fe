#include "app/DictationLayout.h"

#include "platform/CodecCatalog.h"
#include "platform/FileOps.h"
#include "platform/LFile.h"
#include "sound/ConversionChain.h"
#include "sound/SampleFormat.h"
#include "sound/WaveFile.h"

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <limits>
#include <vector>

namespace {

constexpr int32_t kBlockFrames = 8192;
constexpr std::string_view kWaveExtension = ".wav";

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
    if (text.size() < suffix.size())
        return false;
    return std::equal(suffix.begin(), suffix.end(), text.end() - static_cast<std::ptrdiff_t>(suffix.size()),
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

int64_t FileSize(const std::string& path) {
    LFile file = LFile::Open(path, O_RDONLY);
    return file.IsOpen() ? file.Size() : -1;
}

bool SyncFile(const std::string& path) {
    LFile file = LFile::Open(path, O_RDWR);
    return file.IsOpen() && file.Sync();
}

void SyncFolder(std::string_view folder) {
    LFile directory = LFile::Open(folder.empty() ? "." : std::string(folder), O_RDONLY | O_DIRECTORY);
    if (directory.IsOpen())
        (void)directory.Sync();
}

// Each frame's channels averaged into one sample: nothing a foreign file's channels hold is dropped.
void MixToMono(const int32_t* frames, int channels, int32_t count, int32_t* mono) {
    for (int32_t frame = 0; frame < count; ++frame) {
        int64_t sum = 0;
        for (int channel = 0; channel < channels; ++channel)
            sum += frames[static_cast<size_t>(frame) * static_cast<size_t>(channels) + static_cast<size_t>(channel)];
        mono[frame] = static_cast<int32_t>(sum / channels);
    }
}

// Writes `source` through `temporary` (16-bit mono at its rate, the channels mixed) and renames that over `path`.
bool ConvertInPlace(LSoundSourceHandle source, const std::string& path, const std::string& temporary,
                    std::string& text) {
    ConversionTarget target; // the source's rate and channels: the mix is made here
    target.bits = 16;
    const ConversionChain chain = BuildConversionChain(source, target);
    if (!chain.head) {
        text = "The dictation cannot be converted: " + chain.problem;
        return false;
    }
    LSoundSourceHandle head = chain.head;
    const int channels = std::max<int>(head->Channels(), 1);
    RemoveFile(temporary);
    bool written = false;
    {
        LSoundSinkHandle sink = CreatePCMFileSink(temporary, head->Rate(), 1, 16, 0);
        if (sink && !sink->IsInError()) {
            std::vector<int32_t> block(static_cast<size_t>(kBlockFrames) * static_cast<size_t>(channels));
            std::vector<int32_t> mono(static_cast<size_t>(kBlockFrames));
            while (head->GetPosition() < head->GetLength() && !sink->IsInError()) {
                const int32_t frames = std::min(kBlockFrames, head->GetLength() - head->GetPosition());
                head->Read(block.data(), frames);
                MixToMono(block.data(), channels, frames, mono.data());
                sink->Write(mono.data(), frames);
            }
            written = FinishFileSink(*sink);
        }
    }
    if (!written || !SyncFile(temporary) || std::rename(temporary.c_str(), path.c_str()) != 0) {
        RemoveFile(temporary);
        text = "The dictation cannot be converted for recording (the disk may be full).";
        return false;
    }
    SyncFolder(FolderOf(path));
    return true;
}

std::string ConversionQuestion(const std::string& wavePath, const WaveFormatRecord& format) {
    std::string text = "\"" + DictationStore::NameOfWave(wavePath) + "\" was made by another program (" +
                       CodecCatalog::Describe(format) +
                       ").\n\nTo record into it, Tallowin converts it to 16 Bit Mono at its own rate";
    if (format.channels > 1)
        text += ", mixing its channels into one";
    return text + ". Do you want to convert it now?\n\nChoose No to leave the file as it is; nothing is recorded.";
}

} // namespace

bool IsDictationLayout(const WaveFileLayout& layout) {
    return layout.ownLayout && layout.format.formatTag == WaveFormatRecord::kTagPcm && layout.format.channels == 1 &&
           layout.format.bitsPerSample == 16;
}

LayoutResult EnsureDictationLayout(const std::string& wavePath, const ConversionConsent& mayConvert) {
    LayoutResult result;
    const int64_t size = FileSize(wavePath);
    if (size <= 0 && !(size < 0 && PathExists(wavePath))) {
        result.outcome = LayoutOutcome::Ready; // recording creates it
        result.rate = 8000;
        return result;
    }
    WaveOpenResult opened = OpenWaveFileWithReason(wavePath);
    if (!opened.source) {
        result.text = "The dictation's wave file cannot be read: " + opened.error.text;
        return result;
    }
    if (IsDictationLayout(opened.layout)) {
        result.outcome = LayoutOutcome::Ready;
        result.rate = static_cast<int32_t>(opened.layout.format.samplesPerSec);
        result.frames = static_cast<int32_t>(
            std::min<int64_t>(opened.layout.presentBytes / 2, std::numeric_limits<int32_t>::max()));
        return result;
    }
    if (!mayConvert || !mayConvert(ConversionQuestion(wavePath, opened.layout.format))) {
        result.outcome = LayoutOutcome::Declined;
        return result;
    }
    const std::string temporary =
        std::string(FolderOf(wavePath)) + std::string(kConvertTemporaryPrefix) + std::string(FileNameOf(wavePath));
    if (!ConvertInPlace(opened.source, wavePath, temporary, result.text))
        return result;
    opened = OpenWaveFileWithReason(wavePath);
    if (!opened.source || !IsDictationLayout(opened.layout)) {
        result.text = "The converted dictation cannot be read.";
        return result;
    }
    result.outcome = LayoutOutcome::Converted;
    result.rate = static_cast<int32_t>(opened.layout.format.samplesPerSec);
    result.frames = opened.source->GetLength();
    return result;
}

std::string NewInsertRecordingPath(const std::string& wavePath) {
    const std::string folder(FolderOf(wavePath));
    std::string name(FileNameOf(wavePath));
    if (EndsWithNoCase(name, kWaveExtension))
        name.resize(name.size() - kWaveExtension.size());
    const std::string first = folder + std::string(kInsertRecordingPrefix) + name + std::string(kWaveExtension);
    if (!PathExists(first))
        return first;
    for (int number = 2;; ++number) {
        const std::string next = folder + std::string(kInsertRecordingPrefix) + name + "-" + std::to_string(number) +
                                 std::string(kWaveExtension);
        if (!PathExists(next))
            return next;
    }
}

std::vector<OrphanedInsert> FindOrphanedInserts(const std::string& currentFolder) {
    std::vector<OrphanedInsert> orphans;
    const auto entries = ListFolder(currentFolder);
    if (!entries)
        return orphans;
    std::vector<std::string> names = *entries;
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        const std::string path = JoinPath(currentFolder, name);
        if (StartsWith(name, kSpliceTemporaryPrefix) || StartsWith(name, kConvertTemporaryPrefix)) {
            RemoveFile(path); // a half-built copy; the dictation it was made from is whole
            continue;
        }
        if (!StartsWith(name, kInsertRecordingPrefix) || !EndsWithNoCase(name, kWaveExtension))
            continue;
        LSoundSourceHandle source = OpenWaveFile(path);
        const int32_t frames = source ? source->GetLength() : 0;
        if (source && frames <= 0) {
            source.Reset();
            RemoveFile(path); // nothing was recorded
            continue;
        }
        // One that cannot be read is still offered: its bytes may matter to the user.
        orphans.push_back({path, source ? TimeForFrames(frames, source->Rate()) : 0});
    }
    return orphans;
}

NamedResult AdoptOrphanedInsert(DictationStore& store, const std::string& insertPath) {
    if (!PathExists(insertPath))
        return {StoreResult::NotFound, {}};
    NamedResult created = store.Create(kDictationPrefix);
    if (created.result != StoreResult::Done)
        return created;
    if (RenameNoReplace(insertPath, store.WavePath(StoreFolder::Current, created.name)) != RenameResult::Renamed) {
        (void)store.Delete(created.name);
        return {StoreResult::FileError, created.name};
    }
    return created;
}

bool DiscardOrphanedInsert(const std::string& insertPath) {
    return RemoveFile(insertPath);
}
