// DictationTransport: the tape-recorder controls over the current dictation's wave file: record over or insert at
// the position, play, stop, go to start or end, audible rewind and fast forward while a button is held, and the
// scroll bar. It owns the transport's state, drives the player and the recorder it is given, and shows the
// results through a TransportHost. Main thread only; the engines' notifications arrive there.
//
//   DictationTransport transport(host, player, recorder, settings.settingsFile, settings.currentFolder, &backend);
//   transport.SetCurrent(wavePath);   // the position goes to its end: Play starts at the beginning, Record appends
//   transport.Record();               // ... transport.Stop();  an insert recording is spliced in at the stop
#pragma once

#include "app/TransportHost.h"
#include "audio/LSoundPlayer.h"
#include "audio/LSoundRecorder.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

class AudioBackend;
struct InputSelection;

// The texts of the two "Sound Device Error" boxes.
inline constexpr const char* kCannotPlayText =
    "Unable to start playback.\n\nThis might mean you do not have a sound card installed or the sound card is being "
    "used by another application. Please check the Hardware Settings.";
inline constexpr const char* kCannotRecordText =
    "Unable to start record device.\n\nThis might mean you do not have a sound card installed or the sound card is "
    "being used by another application. Please check the Hardware Settings.";
inline constexpr const char* kDeviceErrorCaption = "Sound Device Error";

class DictationTransport final : public LSoundPlayerNotify, public LSoundRecorderNotify {
public:
    static constexpr int32_t kScrollRange = 20;         // the scroll bar runs from 0 to this
    static constexpr int32_t kScrollStep = 20000;       // a line or page step of the scroll bar (2 s)
    static constexpr int32_t kEndMargin = 10000;        // Play within this of the end starts at the beginning
    static constexpr int32_t kMaxRecordTime = 36000000; // one hour
    static constexpr int32_t kHangTime = 30000;         // a pause after this much silence
    static constexpr uint32_t kCookie = 1;

    // Attaches to the engines' notifications. `backend` applies the mixer settings (devices, lines, levels)
    // before play and record; without one the engines' devices are still set but no mixer level is changed.
    DictationTransport(TransportHost& host, LSoundPlayer& player, LSoundRecorder& recorder, std::string settingsFile,
                       std::string currentFolder, AudioBackend* backend = nullptr);
    // Shutdown, when the owner did not call it.
    ~DictationTransport() override;
    DictationTransport(const DictationTransport&) = delete;
    DictationTransport& operator=(const DictationTransport&) = delete;

    // Makes `wavePath` current ("" = none) after stopping both engines; the position becomes its length (its end).
    void SetCurrent(const std::string& wavePath);
    const std::string& CurrentPath() const { return m_currentPath; }
    // 1/10000 s.
    int32_t Position() const { return m_position; }
    int32_t Length() const { return m_length; }

    bool InsertMode() const { return m_insertMode; }
    // While the recorder is stopped the idle Record image of the new mode is shown. New turns it off.
    void SetInsertMode(bool on);

    bool IsPlaying() const { return m_player.IsBusy(); }
    // Waiting for sound or recording.
    bool IsRecording() const { return m_recorder.IsBusy(); }
    bool IsSplicing() const { return m_splicing; }
    bool IsRewinding() const { return m_rewinding; }
    bool IsForwarding() const { return m_forwarding; }

    void Play();
    void Stop();
    void Record();
    void GoToStart();
    void GoToEnd();
    // Audible rewind and fast forward while the button or key is held; the release ends both.
    void RewindPress();
    void ForwardPress();
    void ScrubRelease();

    enum class ScrollAction { LineLeft, LineRight, PageLeft, PageRight, Thumb, Top, Bottom };
    // `thumb` (0 to kScrollRange) only for Thumb.
    void Scroll(ScrollAction action, int thumb);

    // At close: stops the recorder and the player while still attached, so an insert recording is spliced in
    // and nothing recorded is lost, then detaches from both. Later commands do nothing.
    void Shutdown();

    // The scroll bar thumb for a position: position / length × 20, 0 for a length below 1.
    static int ScrollThumbFor(int32_t position, int32_t length);

private:
    void OnPlayStart(uint32_t cookie) override;
    void OnPlayStop(uint32_t cookie) override;
    void OnPlayTime(int32_t time, uint32_t cookie) override;
    void OnPlayLevels(const LDBMC& levels, uint32_t cookie) override;
    void OnRecordActive(uint32_t cookie) override;
    void OnRecordWaiting(uint32_t cookie) override;
    void OnRecordStop(uint32_t cookie) override;
    void OnRecordTime(int32_t time, uint32_t cookie) override;
    void OnRecordLevels(const LDBMC& levels, uint32_t cookie) override;

    // Commands are refused after Shutdown and while a splice runs.
    bool Accepting() const { return m_attached && !m_splicing; }
    void StopBoth();
    void PrepareOutput();
    // Plays the current dictation from `time`; `endRule`: within a second of the end it plays from the start.
    // False when nothing could be started.
    bool PlayFrom(int32_t time, bool endRule);
    // Plays the current dictation from `time` through a speed change; false when the file cannot be opened.
    bool PlayScrub(int32_t time, double startSpeed, double endSpeed);
    void GoTo(int32_t time);
    void SetPosition(int32_t time);
    // The current dictation's rate and length (44100 and 0 when it cannot be opened).
    void ReadDictationFacts(int32_t& rate, int32_t& lengthFrames) const;
    // Splices or drops the finished insert recording; called once the recorder stopped.
    void FinishInsert();
    void ShowRecordIdle();
    // Tells the host that the chosen input line is unplugged: once, and again only after the choice or its plug
    // changed.
    void NoteUnpluggedLine(const InputSelection& input);

    TransportHost& m_host;
    LSoundPlayer& m_player;
    LSoundRecorder& m_recorder;
    std::string m_settingsFile;
    std::string m_currentFolder;
    AudioBackend* m_backend = nullptr;
    bool m_attached = true;
    std::optional<std::pair<int, int>> m_notedUnplugged; // the device and line last told of as unplugged

    std::string m_currentPath;
    int32_t m_position = 0; // 1/10000 s
    int32_t m_length = 0;   // 1/10000 s
    bool m_insertMode = false;

    // The recording in progress: the dictation it belongs to (captured at Record) and, in insert mode, the
    // hidden insert recording and the insert point.
    std::string m_recordPath;
    std::string m_insertTempPath;
    int32_t m_insertPoint = 0; // 1/10000 s
    int32_t m_insertFrame = 0; // frames at the dictation's rate
    bool m_recordInsertImage = false;
    bool m_splicing = false;

    bool m_rewinding = false;
    bool m_forwarding = false;
    bool m_resumeAfterScrub = false;
    int32_t m_playRate = 8000; // rate of the source being played, for seeks by time
};
