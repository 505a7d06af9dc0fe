// InsertSplice: puts an insert recording into a dictation at a frame, safely: the result is built in a hidden
// temporary file beside the dictation (".splice-<name>"), flushed to disk and renamed over it, so a Cancel, a
// full disk or a crash leaves the old recording whole. Both files must be our PCM layout (16-bit mono) at the
// same rate; data is copied as bytes in blocks of 8192 frames with one buffer. Runs on the calling thread.
//
//   InsertSplice splice(dictationPath, insertRecordingPath, insertFrame);
//   if (splice.Run(&progress) == SpliceResult::Spliced) RemoveFile(insertRecordingPath);
//   else ShowError(splice.ErrorText());   // the dictation is as it was
#pragma once

#include <cstdint>
#include <string>

// What a splice asks of whoever shows its progress.
class SpliceProgress {
public:
    virtual ~SpliceProgress() = default;
    // 0 to 100.
    virtual void SetProgress(int percent) = 0;
    // Asked between blocks: lets pending events through and answers whether the user cancelled.
    virtual bool IsCancelled() = 0;
};

enum class SpliceResult {
    NotRun,    // Run was not called
    Spliced,   // the dictation holds the recording now
    Cancelled, // the user cancelled: the dictation is as it was
    Failed     // a file could not be read or written: the dictation is as it was; ErrorText() says why
};

class InsertSplice {
public:
    static constexpr int32_t kBlockFrames = 8192;

    // `insertFrame` counts frames at the dictation's rate; beyond its end the recording is appended.
    InsertSplice(std::string dictationPath, std::string recordingPath, int32_t insertFrame);

    // Runs the whole splice once (later calls return the first result). `progress` may be null.
    [[nodiscard]] SpliceResult Run(SpliceProgress* progress);

    SpliceResult Result() const { return m_result; }
    const std::string& ErrorText() const { return m_errorText; }
    const std::string& DictationPath() const { return m_dictationPath; }
    const std::string& RecordingPath() const { return m_recordingPath; }
    int32_t InsertFrame() const { return m_insertFrame; }
    // After a splice: the rate and the frames of the recording and of the new dictation.
    int32_t Rate() const { return m_rate; }
    int32_t RecordingFrames() const { return m_recordingFrames; }
    int32_t ResultFrames() const { return m_resultFrames; }

    // The hidden file the result is built in, beside the dictation.
    static std::string TemporaryPathFor(const std::string& dictationPath);

private:
    SpliceResult Fail(const std::string& text);
    SpliceResult Splice(SpliceProgress* progress);

    std::string m_dictationPath;
    std::string m_recordingPath;
    int32_t m_insertFrame = 0;
    SpliceResult m_result = SpliceResult::NotRun;
    std::string m_errorText;
    int32_t m_rate = 0;
    int32_t m_recordingFrames = 0;
    int32_t m_resultFrames = 0;
};
