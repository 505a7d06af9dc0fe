#include "app/DictationSession.h"

#include "app/DictationLayout.h"
#include "app/DictationTransport.h"
#include "app/Settings.h"
#include "audio/LSoundPlayer.h"
#include "audio/LSoundRecorder.h"
#include "platform/Alarm.h"
#include "platform/FileOps.h"
#include "platform/Poster.h"
#include "send/RecipientList.h"
#include "send/SendQueue.h"
#include "send/Status.h"
#include "sound/TimeText.h"
#include "sound/WaveFile.h"
#include "store/DictationName.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {

constexpr const char* kProgramCaption = "Tallowin";
const char* const kNoRecipientsText =
    "No Typist Recipients have been set up.\n\nPlease open the Recipient Settings Dialog Box using the Recipient "
    "Settings item on the Settings menu and add a New Recipient.";

int32_t WaveLength(const std::string& path) {
    const LSoundSourceHandle source = OpenWaveFile(path);
    if (!source || source->IsInvalid())
        return 0;
    return TimeForFrames(source->GetLength(), source->Rate());
}

// Notes are kept with CR LF line ends on disk (the typist side reads them so) and LF while edited.
std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

std::string NotesForDisk(const std::string& notes) {
    return ReplaceAll(ReplaceAll(notes, "\r\n", "\n"), "\n", "\r\n");
}

std::string NotesForEditing(const std::string& notes) {
    return ReplaceAll(notes, "\r\n", "\n");
}

} // namespace

std::string StoreFailureText(StoreResult result, const std::string& name) {
    const std::string quoted = "\"" + name + "\"";
    switch (result) {
    case StoreResult::Done:
        return {};
    case StoreResult::NotFound:
        return "The files of " + quoted + " are no longer there.";
    case StoreResult::NameEmpty:
        return "The name has no characters left once the characters < > \" * . / : \\ | are replaced by blanks.";
    case StoreResult::NameTooLong:
        return "The name is too long.";
    case StoreResult::NameInvalid:
        return "The name is not valid text.";
    case StoreResult::NameTaken:
        return "A dictation named " + quoted + " already exists.";
    case StoreResult::SentNameTaken:
        return "A sent dictation named " + quoted +
               " is still kept in Sent Files, and the name is too long to keep a second one beside it.\n\nPlease "
               "give this dictation a shorter name and send it again.";
    case StoreResult::StillQueued:
        return quoted + " is still waiting to be sent.";
    case StoreResult::NotesTooLong:
        return "The notes are too long to be saved (at most " + std::to_string(kNotesLimit) +
               " bytes); the priority was saved.";
    case StoreResult::QueueFailed:
        return "The background send process could not take the dictation; it stays in your current "
               "dictations.\n\nPlease try again.";
    case StoreResult::NoFreeNumber:
        return "No more dictation numbers are free.";
    case StoreResult::FileError:
        return "A file of " + quoted + " could not be read, written or moved; its files were left as they were.";
    }
    return {};
}

DictationSession::DictationSession(SessionServices services, SessionView& view)
    : m_services(services), m_view(view),
      m_store(
          services.settings.currentFolder, services.settings.sentFolder, services.settings.settingsFile,
          StoreServices{WaveLength,
                        [queue = services.queue](const std::string& path) { return queue && queue->IsQueued(path); },
                        {}}) {
    m_player = std::make_unique<LSoundPlayer>(m_services.poster, m_services.backend);
    m_recorder = std::make_unique<LSoundRecorder>(m_services.poster, m_services.backend);
    // The transport attaches itself to the engines' notifications.
    m_transport = std::make_unique<DictationTransport>(static_cast<TransportHost&>(*this), *m_player, *m_recorder,
                                                       m_services.settings.settingsFile,
                                                       m_services.settings.currentFolder, &m_services.backend);
    FillList();
    if (SendQueue* queue = m_services.queue) {
        // A note still on its way when the session has gone finds it gone.
        queue->SetNotify(&m_services.poster, [this, alive = std::weak_ptr<bool>(m_alive)] {
            if (alive.lock())
                ShowProgress();
        });
    }
    ShowProgress();
}

DictationSession::~DictationSession() {
    Close();
}

// ---- the list and the current dictation ----

void DictationSession::FillList() {
    const std::optional<std::vector<std::string>> names = m_store.Refresh(m_tapes);
    if (!names)
        Warn(kProgramCaption, "The folder of current dictations cannot be read:\n" + m_services.settings.currentFolder);
    m_names = names.value_or(std::vector<std::string>{});
    Load(m_names.empty() ? std::string() : m_names.back());
}

void DictationSession::Refresh() {
    if (m_closed)
        return;
    m_transport->Stop();
    SaveDetails();
    m_currentName.clear();
    FillList();
}

void DictationSession::Select(const std::string& name) {
    if (m_closed || m_busy || name == m_currentName)
        return;
    Load(std::find(m_names.begin(), m_names.end(), name) != m_names.end() ? name : std::string());
}

void DictationSession::Load(const std::string& name) {
    const bool wasPlaying = m_transport->IsPlaying();
    if (!m_creatingForRecord)
        m_transport->Stop();
    SaveDetails();
    m_currentName = name;
    m_notesEdited = false;
    m_view.ShowList(m_names, m_currentName);
    if (m_currentName.empty()) {
        m_priority.clear();
        m_notes.clear();
        if (!m_creatingForRecord)
            m_transport->SetCurrent({});
        m_view.ShowCurrent(nullptr);
        return;
    }
    const DictationRecord record = m_store.ReadRecord(StoreFolder::Current, m_currentName);
    m_priority = record.priority;
    m_notes = NotesForEditing(m_store.LoadNotes(StoreFolder::Current, m_currentName).value_or(std::string()));
    const DictationDetails details{m_currentName, m_priority, m_notes,
                                   m_store.CreationDateText(StoreFolder::Current, m_currentName)};
    m_view.ShowCurrent(&details);
    if (!m_creatingForRecord) {
        m_transport->SetCurrent(m_store.WavePath(StoreFolder::Current, m_currentName));
        if (wasPlaying)
            m_transport->Play();
    }
}

void DictationSession::EditPriority(std::string priority) {
    m_priority = std::move(priority);
}

void DictationSession::EditNotes(std::string notes) {
    m_notes = std::move(notes);
    m_notesEdited = true;
}

bool DictationSession::SaveDetails() {
    if (m_currentName.empty())
        return true;
    std::optional<std::string> notes;
    if (m_notesEdited)
        notes = NotesForDisk(m_notes);
    const StoreResult result = m_store.SaveDetails(m_currentName, m_priority, notes);
    if (result == StoreResult::Done) {
        m_notesEdited = false;
        return true;
    }
    if (result == StoreResult::NotFound)
        return true; // its files went meanwhile: there is nothing left to keep the details with
    Warn(kProgramCaption, "The priority and notes of \"" + m_currentName + "\" could not be saved.\n\n" +
                              StoreFailureText(result, m_currentName));
    return false;
}

void DictationSession::AddToList(const std::string& name) {
    if (std::find(m_names.begin(), m_names.end(), name) == m_names.end())
        m_names.insert(std::upper_bound(m_names.begin(), m_names.end(), name,
                                        [](const std::string& a, const std::string& b) { return LessNoCase(a, b); }),
                       name);
}

void DictationSession::ListAndSelect(const std::string& name) {
    AddToList(name);
    Load(name);
}

void DictationSession::Unlist(const std::string& name) {
    std::erase(m_names, name);
}

// ---- commands on dictations ----

std::string DictationSession::CreateDictation() {
    const NamedResult created = m_store.Create(kDictationPrefix);
    if (created.result != StoreResult::Done) {
        Warn("New Dictation",
             "A new dictation could not be started.\n\n" + StoreFailureText(created.result, created.name));
        return {};
    }
    ListAndSelect(created.name);
    return created.name;
}

std::string DictationSession::CreateDictationForRecording() {
    m_creatingForRecord = true;
    const std::string name = CreateDictation();
    m_creatingForRecord = false;
    return name.empty() ? std::string() : m_store.WavePath(StoreFolder::Current, name);
}

void DictationSession::New() {
    if (!Accepting())
        return;
    m_transport->Stop();
    SaveDetails();
    m_transport->SetInsertMode(false);
    CreateDictation();
}

bool DictationSession::Rename(const std::string& typedName) {
    if (!Accepting() || !HasCurrent())
        return false;
    m_transport->Stop();
    SaveDetails();
    if (typedName == m_currentName)
        return false;
    const std::string oldName = m_currentName;
    const NamedResult renamed = m_store.Rename(oldName, typedName);
    if (renamed.result != StoreResult::Done) {
        Warn("Rename Dictation", StoreFailureText(renamed.result, renamed.name.empty() ? typedName : renamed.name));
        return false;
    }
    m_currentName.clear(); // its details went with its files
    Unlist(oldName);
    ListAndSelect(renamed.name);
    return true;
}

void DictationSession::Delete() {
    if (!Accepting() || !HasCurrent())
        return;
    m_transport->Stop();
    if (!m_view.Ask({MessageKind::Warning, "Confirm Delete",
                     "Are you sure you want to delete the dictation \"" + m_currentName + "\"?"},
                    AnswerButtons::YesNo))
        return;
    const std::string name = m_currentName;
    m_transport->SetCurrent({});
    m_currentName.clear();
    const StoreResult result = m_store.Delete(name);
    if (result != StoreResult::Done && result != StoreResult::NotFound)
        Warn("Delete Dictation", StoreFailureText(result, name));
    FillList();
}

bool DictationSession::CanSend() const {
    return HasCurrent() && m_services.queue && !m_closed && !m_busy;
}

void DictationSession::SendToDefault() {
    if (!CanSend())
        return;
    const RecipientList recipients(m_services.settings.dataFolder, m_services.settings.settingsFile);
    if (recipients.Count() < 1) {
        Warn("No Send To Recipients", kNoRecipientsText);
        return;
    }
    SendTo(recipients.SendIndex());
}

void DictationSession::SendTo(int recipientIndex) {
    if (!CanSend())
        return;
    m_transport->Stop();
    SaveDetails();
    const std::string name = m_currentName;
    const RecipientList recipients(m_services.settings.dataFolder, m_services.settings.settingsFile);
    const std::string recipientText = recipients.Load(recipientIndex).DisplayText(false);
    SendQueue& queue = *m_services.queue;
    const StoreResult result =
        m_store.MoveToSent(name, recipientText, [&queue, recipientIndex](const std::string& path) {
            return queue.Add(path, recipientIndex);
        });
    if (result != StoreResult::Done) {
        // The store moved back whatever it had moved: the dictation stays current.
        const std::string why =
            result == StoreResult::NotFound ? "Nothing has been recorded in it yet." : StoreFailureText(result, name);
        Warn("Send Dictation", "\"" + name + "\" was not sent.\n\n" + why);
        return;
    }
    m_transport->SetCurrent({});
    m_currentName.clear();
    m_view.ShowSent(name);
    Unlist(name);
    Load(m_names.empty() ? std::string() : m_names.front());
}

bool DictationSession::HandOver(const std::string& wavePath, bool send) {
    if (m_closed)
        return false;
    const std::string name = DictationStore::NameOfWave(wavePath);
    if (name.empty() || m_store.WavePath(StoreFolder::Current, name) != wavePath || !PathExists(wavePath) ||
        FindTape(wavePath) != m_tapes.end())
        return false;
    if (m_busy) {
        // A splice runs on the current dictation: the new one is listed now, and sent once the splice has ended.
        AddToList(name);
        m_view.ShowList(m_names, m_currentName);
        if (send)
            m_handOvers.emplace_back(wavePath, true);
        return true;
    }
    m_transport->Stop();
    ListAndSelect(name);
    if (send && m_currentName == name)
        SendToDefault();
    return true;
}

// ---- the transport ----

int64_t DictationSession::Now() const {
    if (m_clock)
        return m_clock();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void DictationSession::PressHeld(HeldCommand command, bool flaggedRepeat) {
    const int64_t now = Now();
    SettleKeys();
    if (m_keys.Press(command, now, flaggedRepeat) && Accepting())
        StartHold(command);
}

void DictationSession::ReleaseHeld(HeldCommand command, bool flaggedRepeat) {
    if (!m_keys.Release(command, Now(), flaggedRepeat))
        return;
    if (m_services.alarm) {
        m_services.alarm->Set(std::chrono::milliseconds(HeldKeys::kRepeatGapMs), [this] { SettleKeys(); });
        return;
    }
    // Nothing could settle the release later: it counts at once.
    for (const HeldKeys::Released& up : m_keys.Settle(Now() + HeldKeys::kRepeatGapMs))
        if (Accepting())
            EndHold(up.command, up.atMs);
}

void DictationSession::SettleKeys() {
    const int64_t now = Now();
    for (const HeldKeys::Released& up : m_keys.Settle(now))
        if (Accepting())
            EndHold(up.command, up.atMs);
    if (const std::optional<int64_t> next = m_keys.NextSettleMs(); next && m_services.alarm)
        m_services.alarm->Set(std::chrono::milliseconds(std::max<int64_t>(*next - now, 1)), [this] { SettleKeys(); });
}

void DictationSession::StartHold(HeldCommand command) {
    switch (command) {
    case HeldCommand::Play:
        if (m_transport->IsPlaying() || !HasCurrent())
            return;
        m_transport->Play();
        break;
    case HeldCommand::Record:
        if (m_transport->IsRecording())
            return;
        m_transport->Record();
        break;
    case HeldCommand::Rewind:
        RewindPress();
        return;
    case HeldCommand::Forward:
        ForwardPress();
        return;
    }
    m_hold.Started(Now());
}

void DictationSession::EndHold(HeldCommand command, int64_t releasedMs) {
    switch (command) {
    case HeldCommand::Play:
    case HeldCommand::Record: {
        const bool running = command == HeldCommand::Play ? m_transport->IsPlaying() : m_transport->IsRecording();
        if (running && m_hold.StopsAtRelease(releasedMs))
            m_transport->Stop();
        break;
    }
    case HeldCommand::Rewind:
    case HeldCommand::Forward:
        ScrubRelease();
        break;
    }
}

void DictationSession::Play() {
    if (Accepting())
        m_transport->Play();
}

void DictationSession::Record() {
    if (Accepting())
        m_transport->Record();
}

void DictationSession::Stop() {
    if (Accepting())
        m_transport->Stop();
}

void DictationSession::ToggleInsertMode() {
    if (Accepting())
        m_transport->SetInsertMode(!m_transport->InsertMode());
}

void DictationSession::RewindPress() {
    if (Accepting() && !m_transport->IsRewinding())
        m_transport->RewindPress();
}

void DictationSession::ForwardPress() {
    if (Accepting() && !m_transport->IsForwarding())
        m_transport->ForwardPress();
}

void DictationSession::ScrubRelease() {
    if (Accepting())
        m_transport->ScrubRelease();
}

void DictationSession::ShowPosition(int32_t position, int32_t length) {
    m_view.ShowPosition(position, length);
}

void DictationSession::ShowPlaying(bool playing) {
    m_view.ShowPlaying(playing);
}

void DictationSession::ShowRecording(RecordImage image, bool insertMode) {
    m_view.ShowRecording(image, insertMode);
}

void DictationSession::ShowLevels(const LDBMC* levels) {
    m_view.ShowLevels(levels);
}

void DictationSession::ShowDeviceError(const std::string& text) {
    Warn(kDeviceErrorCaption, text);
}

void DictationSession::ShowNote(const std::string& text) {
    m_view.ShowNote(text);
}

bool DictationSession::RunSplice(InsertSplice& splice) {
    return m_view.RunSplice(splice);
}

void DictationSession::SetSpliceBusy(bool busy) {
    m_busy = busy;
    m_view.ShowBusy(busy);
    if (!busy && !m_handOvers.empty())
        m_services.poster.Post([this, alive = std::weak_ptr<bool>(m_alive)] {
            if (alive.lock())
                TakeHandOvers();
        });
}

bool DictationSession::AskToConvert(const std::string& question) {
    return m_view.Ask({MessageKind::Question, "Convert Dictation", question}, AnswerButtons::YesNo);
}

void DictationSession::ShowEditError(const std::string& text) {
    Warn(kProgramCaption, text);
}

// ---- the send queue ----

int DictationSession::ProgressPercent(float v) {
    if (v == 0.0f)
        return 0;
    const double divisor = 1.0 + double(v);
    if (!(divisor > 0.0)) // -1 and below, and not-a-number
        return 0;
    const double percent = 100.0 / divisor;
    if (percent >= 100.0)
        return 100;
    if (!(percent > 0.0))
        return 0;
    return int(percent);
}

void DictationSession::ShowProgress() {
    m_view.ShowSendProgress(ProgressPercent(m_services.queue ? m_services.queue->ShownProgress() : 0.0f));
}

void DictationSession::CheckQueue() {
    SendQueue* queue = m_services.queue;
    if (!queue || m_closed)
        return;
    queue->RetryDue();
    for (const DeliveryNotice& delivery : queue->TakeDeliveries())
        m_view.ShowDelivered(delivery);
    // Each failure asks about its own recipient: OK keeps its dictations queued, Cancel takes them off.
    while (const std::optional<QueueFailure> failure = queue->TakeFailure()) {
        m_view.ShowDeliveryFailure(failure->text);
        if (!m_view.Ask({MessageKind::Warning, "Background Task Error", failure->text}, AnswerButtons::OkCancel))
            queue->CancelRecipient(failure->recipientIndex);
        if (m_closed)
            return;
    }
    for (const QueueNotice& notice : queue->TakeNotices())
        m_view.Tell({MessageKind::Information, notice.caption.empty() ? kProgramCaption : notice.caption, notice.text});
}

// ---- recovery and status ----

Status& DictationSession::SentWorkStatus() {
    if (!m_status) {
        const Settings& settings = m_services.settings;
        m_status =
            std::make_unique<Status>(SendContext{settings.dataFolder, settings.settingsFile, settings.sentFolder});
    }
    return *m_status;
}

std::string DictationSession::SentWavePath(const std::string& name) const {
    return m_store.WavePath(StoreFolder::Sent, name);
}

StoreResult DictationSession::RecoverSent(const std::string& name) {
    if (m_closed || m_busy)
        return StoreResult::FileError;
    // Refusals that need no change come first: nothing is taken out of the queue for a recovery that cannot be.
    const StoreResult check = m_store.CheckRecover(name);
    if (check != StoreResult::Done && check != StoreResult::StillQueued)
        return check;
    if (check == StoreResult::StillQueued && (!m_services.queue || !m_services.queue->Remove(SentWavePath(name))))
        return StoreResult::StillQueued;
    m_transport->Stop();
    SaveDetails();
    const StoreResult result = m_store.Recover(name);
    if (result == StoreResult::Done) {
        // Nothing is saved over the recovered files: the details were saved above.
        m_transport->SetCurrent({});
        m_currentName.clear();
        FillList();
    }
    return result;
}

// ---- the portable dictaphone transfer ----

std::vector<std::string>::iterator DictationSession::FindTape(const std::string& wavePath) {
    return std::find_if(m_tapes.begin(), m_tapes.end(), [&](const std::string& name) {
        return m_store.WavePath(StoreFolder::Current, name) == wavePath;
    });
}

TapeCreated DictationSession::CreateTape() {
    if (m_closed)
        return {{}, {}, "Tallowin is closing."};
    const NamedResult created = m_store.Create(kTapePrefix);
    if (created.result != StoreResult::Done)
        return {{},
                created.name,
                "A new dictation could not be started.\n\n" + StoreFailureText(created.result, created.name)};
    m_tapes.push_back(created.name);
    return {m_store.WavePath(StoreFolder::Current, created.name), created.name, {}};
}

TapeRenamed DictationSession::RenameTape(const std::string& wavePath, const std::string& typedName) {
    const auto tape = FindTape(wavePath);
    if (tape == m_tapes.end())
        return {false, wavePath, "The transferred dictation is no longer there."};
    const NamedResult renamed = m_store.Rename(*tape, typedName);
    if (renamed.result != StoreResult::Done)
        return {false, wavePath, StoreFailureText(renamed.result, renamed.name.empty() ? typedName : renamed.name)};
    *tape = renamed.name;
    return {true, m_store.WavePath(StoreFolder::Current, renamed.name), {}};
}

bool DictationSession::SaveTapeNotes(const std::string& wavePath, const std::string& notes, std::string& failure) {
    const auto tape = FindTape(wavePath);
    if (tape == m_tapes.end()) {
        failure = "The transferred dictation is no longer there.";
        return false;
    }
    const DictationRecord record = m_store.ReadRecord(StoreFolder::Current, *tape);
    const StoreResult result = m_store.SaveDetails(*tape, record.priority, NotesForDisk(notes));
    if (result == StoreResult::Done)
        return true;
    failure = "The notes of \"" + *tape + "\" could not be saved.\n\n" + StoreFailureText(result, *tape);
    return false;
}

void DictationSession::HandOverTape(const std::string& wavePath, bool send) {
    const auto tape = FindTape(wavePath);
    if (tape == m_tapes.end())
        return;
    m_tapes.erase(tape);
    // Taken on the main loop's next turn, never inside the dialog's own call.
    m_handOvers.emplace_back(wavePath, send);
    m_services.poster.Post([this, alive = std::weak_ptr<bool>(m_alive)] {
        if (alive.lock())
            TakeHandOvers();
    });
}

void DictationSession::TakeHandOvers() {
    std::vector<std::pair<std::string, bool>> handOvers;
    handOvers.swap(m_handOvers);
    for (const auto& [wavePath, send] : handOvers)
        (void)HandOver(wavePath, send && !m_closed);
}

void DictationSession::DiscardTape(const std::string& wavePath) {
    const auto tape = FindTape(wavePath);
    if (tape == m_tapes.end())
        return;
    const std::string name = *tape;
    m_tapes.erase(tape);
    (void)m_store.Delete(name);
}

// ---- start and close ----

void DictationSession::OfferOrphanedInserts() {
    bool adopted = false;
    for (const OrphanedInsert& orphan : FindOrphanedInserts(m_services.settings.currentFolder)) {
        std::string length = TimeTextTenths(orphan.length);
        length.erase(0, length.find_first_not_of(' '));
        const std::string text =
            "An insert recording of " + length +
            " was not added to its dictation when Tallowin last stopped.\n\nDo you want to keep it as a new "
            "dictation? Choose No to discard it.";
        if (!m_view.Ask({MessageKind::Question, "Unfinished Recording", text}, AnswerButtons::YesNo)) {
            (void)DiscardOrphanedInsert(orphan.path);
            continue;
        }
        const NamedResult result = AdoptOrphanedInsert(m_store, orphan.path);
        if (result.result == StoreResult::Done)
            adopted = true;
        else
            Warn("Unfinished Recording",
                 "The recording could not be made a new dictation; it is kept for the next start.\n\n" +
                     StoreFailureText(result.result, result.name));
    }
    if (adopted)
        Refresh();
}

bool DictationSession::SaveSettings() {
    if (m_services.settings.Flush())
        return true;
    Warn(kProgramCaption, "Your settings could not be saved to " + m_services.settings.settingsFile +
                              ".\n\nCheck that the folder can be written; Tallowin tries again when you next change "
                              "a setting or close it.");
    return false;
}

void DictationSession::Close() {
    if (m_closed)
        return;
    if (m_services.alarm)
        m_services.alarm->Cancel();
    // The recorder and the player stop while the transport still hears them, so an insert recording is still
    // spliced in; then it detaches from both.
    m_transport->Shutdown();
    TakeHandOvers(); // a transfer finished as the program closes is listed
    if (SendQueue* queue = m_services.queue)
        queue->SetNotify(nullptr, {});
    SaveDetails();
    m_closed = true;
    m_status.reset();
    (void)SaveSettings();
}

void DictationSession::Warn(const std::string& caption, const std::string& text) {
    m_view.Tell({MessageKind::Warning, caption, text});
}
