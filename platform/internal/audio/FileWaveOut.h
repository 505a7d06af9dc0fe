// FileWaveOut: the file backend's playback device. It "plays" what it is given into a 16-bit PCM wave file (or
// nowhere), in real time by the steady clock or at once in fast mode, keeping the file's header true after every
// piece so that the file is complete whenever it is looked at. Paused output is held, reset output dropped.
#pragma once

#include "FileBackend.h"
#include "SampleFifo.h"
#include "WaveOutBase.h"
#include "platform/LFile.h"

#include <chrono>
#include <memory>
#include <vector>

namespace audio_internal {

class FileWaveOut final : public WaveOutBase {
public:
    FileWaveOut(std::shared_ptr<FileShared> shared, std::shared_ptr<PlaybackLevelHub> hub)
        : WaveOutBase(std::move(hub)), m_shared(std::move(shared)) {}
    ~FileWaveOut() override { Close(); }

protected:
    [[nodiscard]] bool OpenStream(const WaveOutOptions& options, uint16_t mixerLevel) override;
    [[nodiscard]] bool QueueFrames(std::span<const int16_t> samples) override;
    int64_t UnplayedFrames() override;
    void PauseStream() override;
    void RestartStream() override;
    void FlushStream() override;
    void CloseStream() override;
    void SetStreamLevel(uint16_t mixerLevel) override;

private:
    using Clock = std::chrono::steady_clock;

    // Plays what the clock (or fast mode) says is due.
    void Advance();
    // Takes `frames` frames off the queue into the file.
    void PlayOut(int64_t frames);
    void RestartClock();

    const std::shared_ptr<FileShared> m_shared;
    PcmFormat m_format;
    LFile m_file; // closed when playback is discarded
    int64_t m_dataBytes = 0;
    double m_gain = 1.0;
    bool m_held = false;
    SampleFifo m_queue;
    std::vector<int16_t> m_scratch;
    Clock::time_point m_clockStart;
    int64_t m_clockFrames = 0; // frames played since m_clockStart
};

} // namespace audio_internal
