// FileWaveIn: the file backend's recording device. It delivers the input file's frames (or silence) in the opened
// format, paced in real time by a thread of its own, or in fast mode on the owner's thread as soon as a block is
// queued (tests need no waiting then). The record level of the backend is applied to the frames.
#pragma once

#include "FileBackend.h"
#include "WaveFileFrames.h"
#include "WaveInBase.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace audio_internal {

class FileWaveIn final : public WaveInBase {
public:
    explicit FileWaveIn(std::shared_ptr<FileShared> shared) : m_shared(std::move(shared)) {}
    ~FileWaveIn() override { Close(); }

protected:
    [[nodiscard]] bool OpenStream(const WaveInOptions& options) override;
    void StartStream() override;
    void StopStream() override;
    void CloseStream() override;
    void OnBlocksQueued() override;

private:
    // Up to `frames` frames of the file (fewer at its end) into m_scratch; returns how many.
    int64_t ReadFile(int64_t frames);
    // Real-time pacing: feeds what the clock says is due, one block's time after another.
    void Run();

    const std::shared_ptr<FileShared> m_shared;
    WaveInOptions m_options;
    WaveFileFrames m_file;
    bool m_hasFile = false;
    bool m_fileEnded = false; // the file's frames were all delivered
    bool m_finished = false;  // nothing more comes (fast mode at the end, or the loss was reported)
    std::vector<int16_t> m_scratch;

    std::thread m_thread;
    std::mutex m_threadMutex;
    std::condition_variable m_threadWake;
    bool m_stop = false; // under m_threadMutex
};

} // namespace audio_internal
