#include "app/InsertSplice.h"

#include "app/DictationLayout.h"
#include "platform/FileOps.h"
#include "platform/LFile.h"
#include "sound/WaveFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <vector>

namespace {

constexpr int64_t kBytesPerFrame = 2; // 16-bit mono

struct SpliceInput {
    LFile file;
    int64_t dataOffset = 0;
    int32_t frames = 0;
    int32_t rate = 0;
};

// Opens one side of the splice; false with `text` set when it is not a dictation recording.
bool OpenInput(const std::string& path, const char* what, SpliceInput& input, std::string& text) {
    const WaveOpenResult opened = OpenWaveFileWithReason(path);
    if (!opened.source) {
        text = std::string("The ") + what + " cannot be read: " + opened.error.text;
        return false;
    }
    if (!IsDictationLayout(opened.layout)) {
        text = std::string("The ") + what + " is not a 16-bit mono recording of this program.";
        return false;
    }
    input.file = LFile::Open(path, O_RDONLY);
    if (!input.file.IsOpen()) {
        text = std::string("The ") + what + " cannot be opened: " + std::strerror(errno);
        return false;
    }
    input.dataOffset = opened.layout.dataOffset;
    input.frames = static_cast<int32_t>(
        std::min<int64_t>(opened.layout.presentBytes / kBytesPerFrame, std::numeric_limits<int32_t>::max()));
    input.rate = static_cast<int32_t>(opened.layout.format.samplesPerSec);
    return true;
}

// Flushes the folder's entry list, so a rename in it survives a power cut.
void SyncFolderOf(const std::string& path) {
    LFile folder =
        LFile::Open(std::string(FolderOf(path)).empty() ? "." : std::string(FolderOf(path)), O_RDONLY | O_DIRECTORY);
    if (folder.IsOpen())
        (void)folder.Sync();
}

} // namespace

InsertSplice::InsertSplice(std::string dictationPath, std::string recordingPath, int32_t insertFrame)
    : m_dictationPath(std::move(dictationPath)), m_recordingPath(std::move(recordingPath)), m_insertFrame(insertFrame) {
}

std::string InsertSplice::TemporaryPathFor(const std::string& dictationPath) {
    return std::string(FolderOf(dictationPath)) + std::string(kSpliceTemporaryPrefix) +
           std::string(FileNameOf(dictationPath));
}

SpliceResult InsertSplice::Run(SpliceProgress* progress) {
    if (m_result == SpliceResult::NotRun)
        m_result = Splice(progress);
    return m_result;
}

SpliceResult InsertSplice::Fail(const std::string& text) {
    m_errorText = text;
    return SpliceResult::Failed;
}

SpliceResult InsertSplice::Splice(SpliceProgress* progress) {
    SpliceInput dictation;
    SpliceInput recording;
    std::string text;
    if (!OpenInput(m_dictationPath, "dictation", dictation, text) ||
        !OpenInput(m_recordingPath, "insert recording", recording, text))
        return Fail(text);
    if (dictation.rate != recording.rate)
        return Fail("The insert recording's rate differs from the dictation's.");
    const int64_t total = static_cast<int64_t>(dictation.frames) + recording.frames;
    if (total > std::numeric_limits<int32_t>::max() / kBytesPerFrame)
        return Fail("The dictation would become too long.");
    const int64_t insertFrame = std::clamp<int64_t>(m_insertFrame, 0, dictation.frames);
    m_rate = dictation.rate;
    m_recordingFrames = recording.frames;

    // The result starts as an empty file of ours; its header is made right once all data is in.
    const std::string temporary = TemporaryPathFor(m_dictationPath);
    struct Cleanup {
        const std::string& path;
        bool keep = false;
        ~Cleanup() {
            if (!keep)
                RemoveFile(path);
        }
    } cleanup{temporary};
    if (!RemoveFile(temporary))
        return Fail("An old temporary file cannot be removed: " + temporary);
    {
        LSoundSinkHandle empty = CreatePCMFileSink(temporary, m_rate, 1, 16, 0);
        if (!empty || empty->IsInError() || !FinishFileSink(*empty))
            return Fail("The temporary file cannot be written beside the dictation.");
    }
    const WaveOpenResult started = OpenWaveFileWithReason(temporary);
    LFile output = LFile::Open(temporary, O_WRONLY);
    if (!started.source || !output.IsOpen())
        return Fail("The temporary file cannot be written beside the dictation.");
    int64_t outputOffset = started.layout.dataOffset;

    std::vector<uint8_t> buffer(static_cast<size_t>(kBlockFrames * kBytesPerFrame));
    int64_t done = 0;
    bool cancelled = false;
    const auto copy = [&](SpliceInput& input, int64_t firstFrame, int64_t frames) -> bool {
        int64_t offset = input.dataOffset + firstFrame * kBytesPerFrame;
        for (int64_t left = frames * kBytesPerFrame; left > 0;) {
            const size_t step = static_cast<size_t>(std::min<int64_t>(left, static_cast<int64_t>(buffer.size())));
            if (input.file.ReadAt(buffer.data(), step, offset) != static_cast<int64_t>(step)) {
                m_errorText = "A recording could not be read to its end.";
                return false;
            }
            if (!output.WriteAt(buffer.data(), step, outputOffset)) {
                m_errorText = std::string("The new recording could not be written: ") + std::strerror(errno);
                return false;
            }
            offset += static_cast<int64_t>(step);
            outputOffset += static_cast<int64_t>(step);
            left -= static_cast<int64_t>(step);
            done += static_cast<int64_t>(step) / kBytesPerFrame;
            if (progress) {
                progress->SetProgress(static_cast<int>(done * 100 / std::max<int64_t>(total, 1)));
                if (progress->IsCancelled()) {
                    cancelled = true;
                    return false;
                }
            }
        }
        return true;
    };
    if (!copy(dictation, 0, insertFrame) || !copy(recording, 0, recording.frames) ||
        !copy(dictation, insertFrame, dictation.frames - insertFrame))
        return cancelled ? SpliceResult::Cancelled : SpliceResult::Failed;
    dictation.file.Close();
    recording.file.Close();
    output.Close();

    // The sink that continues a file of ours writes the header for the frames in it.
    {
        LSoundSinkHandle finished = CreatePCMFileSink(temporary, m_rate, 1, 16, static_cast<int32_t>(total));
        if (!finished || finished->IsInError() || finished->Length() != total || !FinishFileSink(*finished))
            return Fail("The new recording could not be completed (the disk may be full).");
    }
    LFile flushed = LFile::Open(temporary, O_RDWR);
    if (!flushed.IsOpen() || !flushed.Sync())
        return Fail("The new recording could not be flushed to disk.");
    flushed.Close();
    if (std::rename(temporary.c_str(), m_dictationPath.c_str()) != 0)
        return Fail(std::string("The dictation could not be replaced: ") + std::strerror(errno));
    cleanup.keep = true;
    SyncFolderOf(m_dictationPath);
    m_resultFrames = static_cast<int32_t>(total);
    if (progress)
        progress->SetProgress(100);
    return SpliceResult::Spliced;
}
