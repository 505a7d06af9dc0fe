// AlsaWaveOut: the ALSA fallback's playback device. Written blocks wait in our queue; a writer thread moves them
// into the device (about a quarter second ahead), starts it by hand, and recovers from underruns. Blocks are done
// by the device's delay (what it has not played yet); once the device has every frame, that delay can be no more
// than it was then less the time since (ALSA's pulse plugin on PipeWire keeps a small delay that never drains).
// Its own mutex guards the queue and the device: the hooks take it after the base's mutex, the writer thread takes
// it alone.
#pragma once

#include "AlsaBackend.h"
#include "AlsaPcm.h"
#include "SampleFifo.h"
#include "WaveOutBase.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace audio_internal {

class AlsaWaveOut final : public WaveOutBase {
public:
    AlsaWaveOut(std::shared_ptr<AlsaShared> shared, std::shared_ptr<PlaybackLevelHub> hub)
        : WaveOutBase(std::move(hub)), m_shared(std::move(shared)) {}
    ~AlsaWaveOut() override { Close(); }

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
    void Run();
    // With m_deviceMutex held: moves queued frames into the device; false when the device is gone.
    bool FillDevice();
    // Drops what the device holds and makes it ready to start again.
    void DropDevice();
    // With m_deviceMutex held and the device running: the frames it has not played yet.
    int64_t RunningDelay();

    // When the device was first seen running with all frames written, how many it had then, and its delay.
    struct Tail {
        std::chrono::steady_clock::time_point since;
        int64_t written = 0;
        int64_t unplayed = 0;
    };

    const std::shared_ptr<AlsaShared> m_shared;
    std::mutex m_deviceMutex; // guards everything below
    std::condition_variable m_wake;
    AlsaPcm m_pcm;
    uint16_t m_channels = 1;
    SampleFifo m_queue;
    std::vector<int16_t> m_scratch;
    int64_t m_inDevice = 0; // frames written into the device since it was last prepared
    std::optional<Tail> m_tail;
    double m_gain = 1.0;
    bool m_held = false;
    bool m_stop = false;
    std::thread m_thread;
};

} // namespace audio_internal
