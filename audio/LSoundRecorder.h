// LSoundRecorder: voice-activated capture from a recording device into a sink, block by block (one tenth of a
// second), with levels, recorded time and state changes reported to its owner. Everything runs on the owner's
// thread: the device hands its filled blocks over through the owner's Poster.
//
//   LSoundRecorder recorder(poster, backend);
//   recorder.notify = this; recorder.notifyCookie = 7; recorder.device = -1;
//   if (!recorder.Record(sink, 36000000, -15, 30000)) ShowCannotRecord();
#pragma once

#include "audio/LDBMC.h"
#include "audio/LSoundRecorderNotify.h"
#include "platform/WaveIn.h"
#include "sound/LSoundSink.h"

#include <cstdint>
#include <memory>
#include <vector>

class AudioBackend;
class Poster;

enum class RecordState : int32_t {
    Stopped = 0,
    Waiting = 1,  // listening for sound; nothing is written
    Recording = 2 // blocks are written to the sink
};

// Why the last recording ended.
enum class RecordStopReason {
    None,       // no recording has ended yet
    Owner,      // StopRecording, Record or destruction
    MaxTime,    // the sink's time passed the limit
    DeviceLost, // the recording device went away; what was captured before is in the sink
    SinkError   // the sink could not take the audio (disk full ...); recording stopped at once
};

class RelayPoster;

class LSoundRecorder final : private WaveInNotify {
public:
    static constexpr int32_t kBufferCount = 40;
    static constexpr int32_t kHangRemainder = 7000; // silence kept after the last sound at a pause (1/10000 s)
    static constexpr int32_t kStopRemainder = 500;  // silence kept after the last sound at a stop

    // `poster` runs work on the owner's thread; both must outlive the recorder.
    LSoundRecorder(Poster& poster, AudioBackend& backend);
    // Stops (the sink is finished) without notifying the owner, who is going away or already knows.
    ~LSoundRecorder() override;
    LSoundRecorder(const LSoundRecorder&) = delete;
    LSoundRecorder& operator=(const LSoundRecorder&) = delete;

    // Starts capture into `sink` (the recorder keeps its own reference). `maxTime` and `hangTime` in 1/10000 s
    // (maxTime 0 or less: no limit); `activationLevel` in dB. A busy recorder is stopped first. False, with nothing
    // notified, when the sink is empty or in error or the device cannot be opened.
    [[nodiscard]] bool Record(LSoundSinkHandle& sink, int32_t maxTime, int8_t activationLevel, int32_t hangTime);

    // Stops: the blocks the device already captured reach the sink, the trailing silence beyond 0.05 s is cut, the
    // sink is released (the last reference finishes the file), and the owner is told. Nothing when stopped.
    void StopRecording();

    // Frames per block for a sink rate: a tenth of a second, 20 to 8192.
    static int32_t FramesPerBufferFor(int32_t rate);

    // Set by the owner before Record.
    int8_t device = 0;        // recording device number; -1 the default device
    int8_t inputChannel = -1; // input line the owner selects through the mixer; -1 none
    int8_t recordVolume = 0;  // record level (dB) the owner applies through the mixer
    LSoundRecorderNotify* notify = nullptr;
    uint32_t notifyCookie = 0;

    RecordState State() const { return m_state; }
    bool IsBusy() const { return m_state != RecordState::Stopped; }
    // The sink being written; empty while stopped.
    const LSoundSinkHandle& Sink() const { return m_sink; }
    // The levels of the last block measured.
    const LDBMC& Levels() const { return m_levels; }
    RecordStopReason LastStopReason() const { return m_stopReason; }
    int32_t FramesPerBuffer() const { return m_framesPerBuffer; }
    // Bytes of each capture buffer (16-bit samples).
    int32_t BufferBytes() const { return m_samplesPerBuffer * 2; }
    // Start and stop levels of the running recording (dB).
    int8_t StartLevel() const { return m_startLevel; }
    int8_t StopLevel() const { return m_stopLevel; }

private:
    void OnWaveInData(const WaveInBlock& block) override;
    void OnWaveInLost() override;

    void Stop(RecordStopReason reason);
    // Processes one captured block; false when the owner stopped, restarted or destroyed the recorder meanwhile.
    bool ProcessBlock(const WaveInBlock& block);
    void WriteWork(const int32_t* samples, int32_t frames);
    int32_t SinkTime() const;

    // Calls `call` on the owner (when there is one and the recorder is not draining). False when the call stopped,
    // restarted or destroyed the recorder.
    template <class Call> bool Tell(Call call);

    AudioBackend& m_backend;
    std::unique_ptr<RelayPoster> m_relay; // keeps the capture notes so Stop can drain them at once
    std::unique_ptr<WaveIn> m_waveIn;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    uint32_t m_generation = 0; // changes with every Record and stop

    RecordState m_state = RecordState::Stopped;
    RecordStopReason m_stopReason = RecordStopReason::None;
    bool m_stopping = false; // draining the device's last blocks: nothing is told, queued or stopped again
    LSoundSinkHandle m_sink;
    LDBMC m_levels;
    std::vector<int32_t> m_work;
    std::vector<int32_t> m_preRoll;
    int32_t m_framesPerBuffer = 0;
    int32_t m_samplesPerBuffer = 0;
    uint8_t m_channels = 1;
    int32_t m_rate = 8000;
    int32_t m_maxTime = 0;
    int8_t m_startLevel = 0;
    int8_t m_stopLevel = 0;
    int32_t m_lastSoundTime = 0;
    int32_t m_hangTime = 0;
};
