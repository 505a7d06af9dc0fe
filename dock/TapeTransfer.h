// TapeTransfer: the recording side of a transfer from a portable dictaphone. It records the sound card's input into
// the tape's wave file (11025 Hz, mono, 16-bit) with the voice-activated recorder, which cuts the pauses between
// passages by itself, and finishes the tape on its own once sound has been heard and then nothing above the
// activation level for 15 seconds of a steady clock. The finish is posted, never run inside the recorder's own
// notification. Main thread only; the recorder's notes arrive there through the poster.
//
//   TapeTransfer transfer(poster, backend, view);
//   if (!transfer.Start(tape.wavePath, device, line, recordLevel, activateLevel)) ShowCannotStart();
//   ... view.OnEndOfTape() arrives by itself, or the user presses Done: transfer.Stop();
#pragma once

#include "audio/LSoundRecorder.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class AudioBackend;
class Poster;

// What the transfer reports to the dialog that shows it.
class TapeTransferView {
public:
    virtual ~TapeTransferView() = default;
    // Sound was heard (true) and the tape is being recorded; or recording stopped (false).
    virtual void ShowHeardSound(bool heard) = 0;
    // The recorder listens or records (time display and level meter live), or is stopped.
    virtual void ShowLive(bool live) = 0;
    // The recorded time (1/10000 s) and the levels of each block.
    virtual void ShowTime(int32_t time) = 0;
    virtual void ShowLevels(const LDBMC& levels) = 0;
    // The tape ended by itself: finish as Done does. Arrives through the poster.
    virtual void OnEndOfTape() = 0;
};

class TapeTransfer final : private LSoundRecorderNotify {
public:
    static constexpr int32_t kRate = 11025;
    static constexpr int32_t kMaxTime = 36000000;  // one hour, 1/10000 s
    static constexpr int32_t kHangTime = 30000;    // a pause after 3 s of silence
    static constexpr int64_t kEndOfTapeMs = 15000; // silence after the last sound that ends the tape

    TapeTransfer(Poster& poster, AudioBackend& backend, TapeTransferView& view);
    ~TapeTransfer() override;
    TapeTransfer(const TapeTransfer&) = delete;
    TapeTransfer& operator=(const TapeTransfer&) = delete;

    // Starts (or starts afresh, throwing away what was recorded) the recording into `wavePath` from the device and
    // input line (−1: the server's choice) at the record level, waiting for sound above `activateLevel`.
    // False when the file cannot be written or the device cannot be opened.
    [[nodiscard]] bool Start(const std::string& wavePath, int device, int line, int8_t recordLevel,
                             int8_t activateLevel);
    // Stops; the wave file holds what was recorded.
    void Stop();
    bool IsRecording() const { return m_recorder.IsBusy(); }
    bool HeardSound() const { return m_heardSound; }

    // A new record level applies at once, while the transfer goes on.
    void SetRecordLevel(int8_t level);
    // The end-of-tape test compares with this level from now on; the recorder gets it at the next Start.
    void SetActivateLevel(int8_t level) { m_activateLevel = level; }

    // Test seam: milliseconds of a steady clock.
    void SetClock(std::function<int64_t()> clock) { m_clock = std::move(clock); }

private:
    void OnRecordActive(uint32_t cookie) override;
    void OnRecordWaiting(uint32_t cookie) override;
    void OnRecordStop(uint32_t cookie) override;
    void OnRecordTime(int32_t time, uint32_t cookie) override;
    void OnRecordLevels(const LDBMC& levels, uint32_t cookie) override;

    int64_t Now() const;

    Poster& m_poster;
    AudioBackend& m_backend;
    TapeTransferView& m_view;
    LSoundRecorder m_recorder;
    int8_t m_activateLevel = -15;
    bool m_heardSound = false;
    bool m_endPosted = false;
    int64_t m_lastLoudMs = 0;
    std::function<int64_t()> m_clock;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true); // posted finishes check it
};
