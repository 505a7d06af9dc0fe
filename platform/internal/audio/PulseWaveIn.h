// PulseWaveIn: a recording stream of the sound server. The server is asked for fragments of one block with adjusted
// latency (so little audio waits in the server); whatever it delivers is re-blocked, holes becoming silence.
// Frames arrive on the connection's main loop thread.
#pragma once

#include "PulseBackend.h"
#include "WaveInBase.h"

#include <memory>

namespace audio_internal {

class PulseWaveIn final : public WaveInBase {
public:
    explicit PulseWaveIn(std::shared_ptr<PulseSession> session) : m_session(std::move(session)) {}
    ~PulseWaveIn() override { Close(); }

protected:
    [[nodiscard]] bool OpenStream(const WaveInOptions& options) override;
    void StartStream() override;
    void StopStream() override;
    void CloseStream() override;

private:
    static void OnState(pa_stream* stream, void* userdata);
    static void OnRead(pa_stream* stream, size_t bytes, void* userdata);
    void Cork(bool corked);

    const std::shared_ptr<PulseSession> m_session;
    std::shared_ptr<PulseConnection> m_connection; // while open
    pa_stream* m_stream = nullptr;
    bool m_running = false; // under the main loop lock
    size_t m_frameBytes = 2;
};

} // namespace audio_internal
