#include "audio/LSoundRecorder.h"

#include "audio/Levels.h"
#include "internal/RelayPoster.h"
#include "platform/AudioBackend.h"
#include "sound/SampleFormat.h"

#include <algorithm>

namespace {

int8_t ClampDb(int level) {
    return static_cast<int8_t>(std::clamp(level, -127, 127));
}

} // namespace

LSoundRecorder::LSoundRecorder(Poster& poster, AudioBackend& backend)
    : m_backend(backend), m_relay(std::make_unique<RelayPoster>(poster)) {}

LSoundRecorder::~LSoundRecorder() {
    *m_alive = false; // nothing below tells the owner
    notify = nullptr;
    Stop(RecordStopReason::Owner);
    m_relay->Close();
}

int32_t LSoundRecorder::FramesPerBufferFor(int32_t rate) {
    return std::clamp(rate / 10, 20, 8192);
}

template <class Call> bool LSoundRecorder::Tell(Call call) {
    if (!notify || m_stopping)
        return true;
    const std::shared_ptr<bool> alive = m_alive;
    const uint32_t generation = m_generation;
    call(*notify);
    return *alive && m_generation == generation;
}

int32_t LSoundRecorder::SinkTime() const {
    return m_sink ? TimeForFrames(m_sink->Length(), m_sink->Rate()) : 0;
}

bool LSoundRecorder::Record(LSoundSinkHandle& sink, int32_t maxTime, int8_t activationLevel, int32_t hangTime) {
    if (m_state != RecordState::Stopped)
        StopRecording();
    if (!sink || sink->IsInError())
        return false;

    const uint8_t channels = std::max<uint8_t>(sink->Channels(), 1);
    const int32_t rate = sink->Rate();
    const int32_t framesPerBuffer = FramesPerBufferFor(rate);
    if (!m_waveIn)
        m_waveIn = m_backend.CreateWaveIn();
    if (!m_waveIn)
        return false;
    const WaveInOptions options{.device = device,
                                .format = {static_cast<uint32_t>(std::max(rate, 0)), channels},
                                .framesPerBlock = framesPerBuffer,
                                .blockCount = kBufferCount};
    if (rate < 1 || !m_waveIn->Open(options, *m_relay, *this))
        return false;

    m_framesPerBuffer = framesPerBuffer;
    m_samplesPerBuffer = framesPerBuffer * channels;
    m_channels = channels;
    m_rate = rate;
    m_work.assign(static_cast<size_t>(m_samplesPerBuffer), 0);
    m_preRoll.assign(static_cast<size_t>(m_samplesPerBuffer), 0);

    m_waveIn->Start();
    for (int32_t index = 0; index < kBufferCount; ++index)
        m_waveIn->AddBuffer(index);

    ++m_generation;
    m_state = RecordState::Waiting;
    m_stopReason = RecordStopReason::None;
    m_sink = sink;
    m_maxTime = maxTime;
    m_hangTime = hangTime;
    m_startLevel = ClampDb(activationLevel + 2);
    m_stopLevel = ClampDb(activationLevel - 3);
    m_lastSoundTime = SinkTime();
    m_levels.Resize(0);

    const int32_t time = m_lastSoundTime;
    if (!Tell([&](LSoundRecorderNotify& owner) { owner.OnRecordWaiting(notifyCookie); }))
        return true;
    if (!Tell([&](LSoundRecorderNotify& owner) { owner.OnRecordTime(time, notifyCookie); }))
        return true;
    Tell([&](LSoundRecorderNotify& owner) { owner.OnRecordLevels(LDBMC(), notifyCookie); });
    return true;
}

void LSoundRecorder::StopRecording() {
    Stop(RecordStopReason::Owner);
}

void LSoundRecorder::Stop(RecordStopReason reason) {
    if (m_stopping && reason == RecordStopReason::SinkError)
        m_stopReason = reason; // found while draining: the rest is not kept either
    if (m_state == RecordState::Stopped || m_stopping)
        return;
    ++m_generation;
    m_stopReason = reason;

    // Blocks the device already captured (and the partly filled one) still belong to the recording, unless it
    // ends because of its time limit or because the sink cannot take them.
    m_stopping = true;
    m_waveIn->Reset();
    if (reason == RecordStopReason::Owner || reason == RecordStopReason::DeviceLost)
        m_relay->RunPending();
    m_waveIn->Close();
    m_stopping = false;

    m_lastSoundTime += kStopRemainder;
    if (m_lastSoundTime < SinkTime())
        m_sink->Truncate(FramesForTime(m_lastSoundTime, m_sink->Rate()));

    m_work = {};
    m_preRoll = {};
    m_sink.Reset(); // the last reference finishes the file
    m_state = RecordState::Stopped;
    m_levels.Resize(0);

    if (!Tell([&](LSoundRecorderNotify& owner) { owner.OnRecordStop(notifyCookie); }))
        return;
    if (!Tell([&](LSoundRecorderNotify& owner) { owner.OnRecordTime(0, notifyCookie); }))
        return;
    Tell([&](LSoundRecorderNotify& owner) { owner.OnRecordLevels(LDBMC(), notifyCookie); });
}

void LSoundRecorder::OnWaveInData(const WaveInBlock& block) {
    if (m_state == RecordState::Stopped)
        return;
    if (!ProcessBlock(block))
        return;
    // The buffer goes straight back into the queue (not while stopping: the device is being emptied).
    if (!m_stopping && m_state != RecordState::Stopped)
        m_waveIn->AddBuffer(block.index);
}

void LSoundRecorder::OnWaveInLost() {
    Stop(RecordStopReason::DeviceLost);
}

void LSoundRecorder::WriteWork(const int32_t* samples, int32_t frames) {
    if (frames > 0)
        m_sink->Write(samples, frames);
}

bool LSoundRecorder::ProcessBlock(const WaveInBlock& block) {
    const int32_t frames = std::clamp(block.frames, 0, m_framesPerBuffer);
    if (frames == 0)
        return true;
    const size_t samples = static_cast<size_t>(frames) * m_channels;
    for (size_t i = 0; i < samples; ++i)
        m_work[i] = LSF16::ToPipeline(block.samples[i]);
    std::fill(m_work.begin() + static_cast<std::ptrdiff_t>(samples), m_work.end(), 0);

    PeakLevelDb(m_work.data(), frames, m_channels, m_levels);
    const int8_t overall = m_levels.OverallLevel();

    if (m_state == RecordState::Waiting) {
        if (overall > m_startLevel) {
            // Sound in the first half of the block began early: half a block of what came before goes first.
            PeakLevelDb(m_work.data(), std::max(frames / 2, 1), m_channels, m_levels);
            if (m_levels.OverallLevel() > m_startLevel) {
                const int32_t kept = m_framesPerBuffer - m_framesPerBuffer / 2;
                WriteWork(m_preRoll.data() + static_cast<size_t>(m_framesPerBuffer / 2) * m_channels, kept);
            }
            WriteWork(m_work.data(), frames);
            m_state = RecordState::Recording;
            // The block that started the recording had sound: a stop or pause right after it keeps it whole.
            m_lastSoundTime = SinkTime();
            if (m_sink->IsInError()) {
                Stop(RecordStopReason::SinkError);
                return false;
            }
            const int32_t time = m_lastSoundTime;
            if (!Tell([&](LSoundRecorderNotify& owner) { owner.OnRecordActive(notifyCookie); }))
                return false;
            if (!Tell([&](LSoundRecorderNotify& owner) { owner.OnRecordTime(time, notifyCookie); }))
                return false;
            return Tell([&](LSoundRecorderNotify& owner) { owner.OnRecordLevels(m_levels, notifyCookie); });
        }
        std::copy(m_work.begin(), m_work.end(), m_preRoll.begin());
        return Tell([&](LSoundRecorderNotify& owner) { owner.OnRecordLevels(m_levels, notifyCookie); });
    }

    WriteWork(m_work.data(), frames);
    if (m_sink->IsInError()) {
        Stop(RecordStopReason::SinkError);
        return false;
    }
    const int32_t time = SinkTime();
    if (overall > m_stopLevel) {
        m_lastSoundTime = time;
    } else if (time - m_lastSoundTime > m_hangTime) {
        m_sink->Truncate(FramesForTime(m_lastSoundTime + kHangRemainder, m_sink->Rate()));
        m_state = RecordState::Waiting;
        const int32_t cut = SinkTime();
        if (!Tell([&](LSoundRecorderNotify& owner) { owner.OnRecordWaiting(notifyCookie); }))
            return false;
        return Tell([&](LSoundRecorderNotify& owner) { owner.OnRecordTime(cut, notifyCookie); });
    }
    if (!Tell([&](LSoundRecorderNotify& owner) { owner.OnRecordTime(time, notifyCookie); }))
        return false;
    if (!Tell([&](LSoundRecorderNotify& owner) { owner.OnRecordLevels(m_levels, notifyCookie); }))
        return false;
    if (m_maxTime > 0 && time > m_maxTime && !m_stopping) {
        Stop(RecordStopReason::MaxTime);
        return false;
    }
    return true;
}
