// DictationSession: the program's dictations as the user works on them, beneath any window. It owns the store, the
// player, the recorder and the transport, the current dictation (its priority and notes are saved whenever it is
// left), the send actions (move to "Sent Files/" and queue, rolled back when the queue does not take it), recovery,
// the sent-work status worker, and the hand-over of a dictation made elsewhere. It holds the rules a key, button or
// pedal press follows (the hold rule), tells its SessionView what to show and asks it what only the user can answer.
// Main thread only; the engines' and the queue's notes arrive there through the poster.
//
//   DictationSession session(SessionServices{settings, backend, poster, &queue}, view);   // lists, last current
//   session.PressHeld(HeldCommand::Record);   // Space down ... session.ReleaseHeld(HeldCommand::Record);
//   session.SendToDefault();
#pragma once

#include "app/HeldKeys.h"
#include "app/HoldRule.h"
#include "app/SessionView.h"
#include "app/TransportHost.h"
#include "dock/DockHost.h"
#include "send/ui/RecoveryHost.h"
#include "store/DictationStore.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class Alarm;
class AudioBackend;
class DictationTransport;
class LSoundPlayer;
class LSoundRecorder;
class Poster;
class SendQueue;
class Settings;
class Status;

struct SessionServices {
    const Settings& settings; // the data paths
    AudioBackend& backend;
    Poster& poster;             // runs the engines' and the queue's notes on the main thread
    SendQueue* queue = nullptr; // null: sending is unavailable
    Alarm* alarm = nullptr;     // settles held keys' releases; null: a release counts at once (no repeat pairs)
};

// The texts of the two "Sound Device Error" boxes are the transport's; the others are the session's.
class DictationSession final : private TransportHost, public RecoveryHost, public DockHost {
public:
    // Fills the list from "Current Files/" (records without a recording removed) and makes the last one current;
    // attaches to the queue's progress.
    DictationSession(SessionServices services, SessionView& view);
    // Close(), when the owner did not call it.
    ~DictationSession() override;
    DictationSession(const DictationSession&) = delete;
    DictationSession& operator=(const DictationSession&) = delete;

    // ---- the list and the current dictation ----
    const std::vector<std::string>& Names() const { return m_names; }
    // "" when none is current.
    const std::string& CurrentName() const { return m_currentName; }
    bool HasCurrent() const { return !m_currentName.empty(); }
    // Leaves the current dictation (stopped, details saved) and makes `name` current ("" or an unlisted name: none).
    // Playing goes on in the new one.
    void Select(const std::string& name);
    // Reads the list again (records without a recording removed) and makes the last dictation current.
    void Refresh();
    // What the user typed, kept until the dictation is left (then saved). Notes with LF line ends.
    void EditPriority(std::string priority);
    void EditNotes(std::string notes);
    // Saves the current dictation's priority and its notes if they were edited; false (after telling the user)
    // when they could not be saved.
    bool SaveDetails();

    // ---- commands on dictations ----
    void New();
    // Renames the current dictation to the typed name (cleaned by the store's rules); false when refused (the
    // user was told why, unless the name is unchanged).
    bool Rename(const std::string& typedName);
    // Asks "Confirm Delete"; on Yes removes the current dictation's files and lists the rest.
    void Delete();
    // Whether Send can be offered: a current dictation and a queue.
    bool CanSend() const;
    // Sends the current dictation to the default recipient; tells the user when there is none.
    void SendToDefault();
    void SendTo(int recipientIndex);

    // A dictation made elsewhere (the portable dictaphone transfer) is handed over by its wave path: it must be a
    // wave file in "Current Files/" that no transfer still records into. It is listed and made current, and with
    // `send` sent to the default recipient by the rules of SendToDefault; during a splice it is only listed, and
    // with `send` made current and sent once the splice has ended. False (nothing listed) for any other path.
    bool HandOver(const std::string& wavePath, bool send);

    // ---- the transport ----
    DictationTransport& Transport() { return *m_transport; }
    const DictationTransport& Transport() const { return *m_transport; }
    // True while a splice runs: only help and about are available then.
    bool IsBusy() const { return m_busy; }
    // The press and release of a key, button or pedal that runs a command while held, repeats included (flagged
    // or not: see HeldKeys). Play and Record follow the hold rule; rewind and fast forward run while held.
    void PressHeld(HeldCommand command, bool flaggedRepeat = false);
    void ReleaseHeld(HeldCommand command, bool flaggedRepeat = false);
    // Tap commands: Play, Record, Stop, start, end, insert mode; refused while busy and after Close.
    void Play();
    void Record();
    void Stop();
    void ToggleInsertMode();
    // Audible rewind and fast forward while the mouse holds a button.
    void RewindPress();
    void ForwardPress();
    void ScrubRelease();

    // ---- the send queue ----
    // Lets the queue retry what is due, shows each failure it left (OK keeps that recipient's dictations queued,
    // Cancel takes them off) and its notices; call it from a timer.
    void CheckQueue();
    // The progress bar's value for the queue's published progress v: 0 for v == 0, else 100 / (1 + v) cut to an
    // integer and held within 0..100 (0 when 1 + v is not above 0 or v is not a number).
    static int ProgressPercent(float v);
    SendQueue* Queue() const { return m_services.queue; }

    // ---- recovery and status ----
    // The sent-work status worker, made when first asked for.
    Status& SentWorkStatus();
    // RecoveryHost: once a dictation is recovered the list is read again (its last dictation current); nothing is
    // saved over the recovered files.
    std::string SentWavePath(const std::string& name) const override;
    StoreResult RecoverSent(const std::string& name) override;

    // ---- the portable dictaphone transfer (DockHost) ----
    // A tape is in the transfer's hands from CreateTape until it is handed over or thrown away: it is neither listed
    // nor touched meanwhile. The hand-over arrives through the poster; Close takes any still on its way.
    TapeCreated CreateTape() override;
    TapeRenamed RenameTape(const std::string& wavePath, const std::string& typedName) override;
    bool SaveTapeNotes(const std::string& wavePath, const std::string& notes, std::string& failure) override;
    void HandOverTape(const std::string& wavePath, bool send) override;
    void DiscardTape(const std::string& wavePath) override;

    // ---- start and close ----
    // Insert recordings a crash left behind are offered back as new dictations (call it once, at start).
    void OfferOrphanedInserts();
    // Writes the settings with pending changes to disk; false (after telling the user) when that failed.
    bool SaveSettings();
    // Stops the recorder and the player (an insert recording is still spliced in), detaches from the engines and
    // the queue, saves the current dictation's details and the settings. Later calls and commands do nothing.
    void Close();
    bool IsClosed() const { return m_closed; }

    DictationStore& Store() { return m_store; }
    const Settings& Paths() const { return m_services.settings; }
    AudioBackend& Backend() const { return m_services.backend; }
    Poster& EventPoster() const { return m_services.poster; }

    // Test seams: milliseconds of a steady clock for the hold rule, and its threshold.
    void SetClock(std::function<int64_t()> clock) { m_clock = std::move(clock); }
    void SetHoldThreshold(int64_t milliseconds) { m_hold = HoldRule(milliseconds); }

private:
    // TransportHost.
    void ShowPosition(int32_t position, int32_t length) override;
    void ShowPlaying(bool playing) override;
    void ShowRecording(RecordImage image, bool insertMode) override;
    void ShowLevels(const LDBMC* levels) override;
    void ShowDeviceError(const std::string& text) override;
    void ShowNote(const std::string& text) override;
    std::string CreateDictationForRecording() override;
    bool RunSplice(InsertSplice& splice) override;
    void SetSpliceBusy(bool busy) override;
    bool AskToConvert(const std::string& question) override;
    void ShowEditError(const std::string& text) override;

    bool Accepting() const { return !m_closed && !m_busy; }
    int64_t Now() const;
    // Ends the holds whose keys are really up and sets the alarm for the next pending release.
    void SettleKeys();
    void StartHold(HeldCommand command);
    void EndHold(HeldCommand command, int64_t releasedMs);
    void Warn(const std::string& caption, const std::string& text);
    // Lists the store's dictations (records without a recording removed) with the last one current.
    void FillList();
    // Makes `name` current; the transport follows unless a recording is about to start into it.
    void Load(const std::string& name);
    // Adds `name` to the list where the list order puts it (unless listed); ListAndSelect also makes it current.
    void AddToList(const std::string& name);
    void ListAndSelect(const std::string& name);
    void Unlist(const std::string& name);
    // Creates a dictation, lists it and makes it current: its name, or "" after telling the user why not.
    std::string CreateDictation();
    void ShowProgress();
    // The tape in the transfer's hands whose wave path this is; end() when none.
    std::vector<std::string>::iterator FindTape(const std::string& wavePath);
    void TakeHandOvers();

    SessionServices m_services;
    SessionView& m_view;
    DictationStore m_store;
    std::unique_ptr<LSoundPlayer> m_player;
    std::unique_ptr<LSoundRecorder> m_recorder;
    std::unique_ptr<DictationTransport> m_transport;
    std::unique_ptr<Status> m_status;

    std::vector<std::string> m_names;
    std::vector<std::string> m_tapes;                      // names a transfer records into
    std::vector<std::pair<std::string, bool>> m_handOvers; // wave paths on their way to HandOver, with send
    std::string m_currentName;
    std::string m_priority; // as loaded or chosen
    std::string m_notes;    // as typed, LF line ends
    bool m_notesEdited = false;

    bool m_busy = false;
    bool m_creatingForRecord = false;
    bool m_closed = false;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true); // queue notes still on their way check it

    HeldKeys m_keys;
    HoldRule m_hold;
    std::function<int64_t()> m_clock;
};

// The user's words for a store result about the dictation `name`.
std::string StoreFailureText(StoreResult result, const std::string& name);
