#include "dock/TapeTransfer.h"

#include "audio/Mixer.h"
#include "platform/Poster.h"
#include "sound/WaveFile.h"

#include <chrono>

TapeTransfer::TapeTransfer(Poster& poster, AudioBackend& backend, TapeTransferView& view)
    : m_poster(poster), m_backend(backend), m_view(view), m_recorder(poster, backend) {
    m_recorder.notify = this;
    m_recorder.notifyCookie = 0;
}

TapeTransfer::~TapeTransfer() {
    m_recorder.notify = nullptr; // the view may be going too
}

int64_t TapeTransfer::Now() const {
    if (m_clock)
        return m_clock();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool TapeTransfer::Start(const std::string& wavePath, int device, int line, int8_t recordLevel, int8_t activateLevel) {
    m_heardSound = false;
    m_endPosted = false;
    m_recorder.StopRecording();
    m_activateLevel = activateLevel;
    m_recorder.device = static_cast<int8_t>(device);
    m_recorder.inputChannel = static_cast<int8_t>(line);
    m_recorder.recordVolume = recordLevel;
    (void)SelectRecordInput(m_backend, device, line, recordLevel);
    // A new sink starts the file afresh: a restart throws away what was transferred before.
    LSoundSinkHandle sink = CreatePCMFileSink(wavePath, kRate, 1, 16, 0);
    if (!sink || sink->IsInError())
        return false;
    return m_recorder.Record(sink, kMaxTime, activateLevel, kHangTime);
}

void TapeTransfer::Stop() {
    m_recorder.StopRecording();
}

void TapeTransfer::SetRecordLevel(int8_t level) {
    m_recorder.recordVolume = level;
    (void)SelectRecordInput(m_backend, m_recorder.device, m_recorder.inputChannel, level);
}

void TapeTransfer::OnRecordActive(uint32_t) {
    m_heardSound = true;
    m_lastLoudMs = Now();
    m_view.ShowLive(true);
    m_view.ShowHeardSound(true);
}

void TapeTransfer::OnRecordWaiting(uint32_t) {
    m_view.ShowLive(true);
}

void TapeTransfer::OnRecordStop(uint32_t) {
    m_heardSound = false;
    m_view.ShowLive(false);
    m_view.ShowHeardSound(false);
}

void TapeTransfer::OnRecordTime(int32_t time, uint32_t) {
    m_view.ShowTime(time);
}

void TapeTransfer::OnRecordLevels(const LDBMC& levels, uint32_t) {
    m_view.ShowLevels(levels);
    if (!m_heardSound || m_endPosted)
        return;
    const int64_t now = Now();
    if (levels.OverallLevel() > m_activateLevel) {
        m_lastLoudMs = now;
        return;
    }
    // At least, not exactly: a busy moment may skip the very millisecond or second the silence reaches the limit.
    if (now - m_lastLoudMs < kEndOfTapeMs)
        return;
    // Finishing stops the recorder, which must not happen inside its own notification.
    m_endPosted = true;
    m_poster.Post([this, alive = std::weak_ptr<bool>(m_alive)] {
        if (alive.lock())
            m_view.OnEndOfTape();
    });
}
