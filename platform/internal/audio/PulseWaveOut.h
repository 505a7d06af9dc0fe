// PulseWaveOut: a playback stream of the sound server. Written blocks wait in our own queue and go to the server as
// it asks for them (about a quarter second ahead), so a reset or a level change takes effect at once. The stream
// runs without pre-buffering and is corked while it has nothing to play, so output starts at the first frame.
// Blocks are done by the stream's played position: the server's read position less what the sound card still
// holds, asked for as the owner polls and carried forward by the clock between answers (never by our writes).
#pragma once

#include "PulseBackend.h"
#include "SampleFifo.h"
#include "WaveOutBase.h"

#include <chrono>
#include <memory>

namespace audio_internal {

class PulseWaveOut final : public WaveOutBase {
public:
    PulseWaveOut(std::shared_ptr<PulseSession> session, std::shared_ptr<PlaybackLevelHub> hub)
        : WaveOutBase(std::move(hub)), m_session(std::move(session)) {}
    ~PulseWaveOut() override { Close(); }

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
    static void OnState(pa_stream* stream, void* userdata);
    static void OnWrite(pa_stream* stream, size_t bytes, void* userdata);
    static void OnUnderflow(pa_stream* stream, void* userdata);
    static void OnTiming(pa_stream* stream, int success, void* userdata);
    // With the main loop lock held.
    void SendLocked();
    void CorkLocked(bool corked);
    // Sets the stream's volume on the server and waits for the answer.
    void SetVolumeLocked(uint16_t mixerLevel);
    // Asks the server how far it played, unless it was asked a moment ago or has not answered yet.
    void RequestTimingLocked();

    const std::shared_ptr<PulseSession> m_session;
    std::shared_ptr<PulseConnection> m_connection; // while open
    pa_stream* m_stream = nullptr;
    uint16_t m_channels = 1;
    uint32_t m_rate = 8000;
    // Under the main loop lock:
    SampleFifo m_queue;                      // written, not yet sent to the server
    int64_t m_sentFrames = 0;                // sent to the server since the stream opened
    bool m_corked = true;                    // the stream's own state
    bool m_held = false;                     // the owner paused
    bool m_primed = false;                   // frames were queued since the stream opened or was flushed
    bool m_placeOnRead = true;               // the server's queue ran dry: the next data goes where it reads now
    pa_operation* m_timingRequest = nullptr; // a timing update asked for that has not come
    bool m_timingKnown = false;              // one has come since the stream opened
    std::chrono::steady_clock::time_point m_timingRequested;
    std::chrono::steady_clock::time_point m_timingArrived;
};

} // namespace audio_internal
