// AlsaWaveIn: the ALSA fallback's recording device. A capture thread of its own reads one period (one block) at a
// time, sleeping until about a period has come, and recovers from overruns; any other error, or a device that stops
// delivering for three seconds, is reported as a lost device. Every wait is bounded, also when the device hangs inside
// ALSA (as its pulse plugin can when the server dies): a watchdog reports the loss, and a capture thread that does not
// end within a second of being asked to is left behind, with the device it hangs in, unable to reach this object.
#pragma once

#include "AlsaBackend.h"
#include "AlsaPcm.h"
#include "WaveInBase.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace audio_internal {

class AlsaWaveIn final : public WaveInBase {
public:
    explicit AlsaWaveIn(std::shared_ptr<AlsaShared> shared) : m_shared(std::move(shared)) {}
    ~AlsaWaveIn() override { Close(); }

protected:
    [[nodiscard]] bool OpenStream(const WaveInOptions& options) override;
    void StartStream() override;
    void StopStream() override;
    void CloseStream() override;

private:
    // What the capture thread works with; it outlives this object when the thread is left behind.
    struct Capture {
        std::mutex mutex; // guards the flags and every call the thread makes into the device object
        std::condition_variable changed;
        bool stop = false;
        bool ended = false;
        bool abandoned = false;                         // the thread may no longer reach the device object
        std::chrono::steady_clock::time_point progress; // when a device call last returned
        AlsaPcm pcm;
        std::vector<int16_t> scratch;
        uint16_t channels = 1;
        uint32_t rate = 8000;
    };

    static void Run(std::shared_ptr<Capture> capture, AlsaWaveIn* self);
    void Watch();

    const std::shared_ptr<AlsaShared> m_shared;
    std::shared_ptr<Capture> m_capture; // while open
    std::thread m_thread;
    std::thread m_watchdog;
};

} // namespace audio_internal
