// The dictation session without windows: the list, details, recording, the hold rule, splices, crash leftovers and
// closing; sending, the queue's failures, notices and progress, the hand-over and the recovery of a sent dictation.
#include "ReadOnlyView.h"
#include "SessionTestSupport.h"
#include "SpyBackend.h"
#include "WorkerProbe.h"
#include "app/DictationLayout.h"
#include "app/DictationTransport.h"
#include "audio/Mixer.h"
#include "platform/FileOps.h"
#include "send/TypistRecipient.h"

#include <cmath>

namespace {

using Session = SessionTest;
using ::testing::_, ::testing::ElementsAre, ::testing::HasSubstr, ::testing::Pair;
using Names = std::vector<std::string>;

TEST_F(Session, OpensAtTheLastDictationAndNewRenameAndDeleteChangeTheListAndDeleteAsksFirst) {
    AddDictation("Dictation 1", 20.0);
    AddDictation("Dictation 2");
    DictationSession& session = Open();
    EXPECT_EQ(m_view.listed, (Names{"Dictation 1", "Dictation 2"}));
    EXPECT_EQ(m_view.shown->name, "Dictation 2");
    session.Play();
    session.Select("Dictation 1"); // playing goes on in the new one
    EXPECT_EQ(session.Transport().CurrentPath(), PathOf(StoreFolder::Current, "Dictation 1"));
    EXPECT_TRUE(session.Transport().IsPlaying());
    session.ToggleInsertMode();
    session.New();
    EXPECT_EQ(session.Names(), (Names{"Dictation 1", "Dictation 2", "Dictation 3"}));
    EXPECT_FALSE(session.Transport().InsertMode() || session.Transport().IsPlaying());

    session.Select("Dictation 2");
    EXPECT_TRUE(session.Rename("Smith: letter")); // cleaned by the store's rules
    EXPECT_EQ(session.Names(), (Names{"Dictation 1", "Dictation 3", "Smith  letter"}));
    EXPECT_FALSE(session.Rename("Smith  letter")); // unchanged: nothing to tell
    EXPECT_FALSE(session.Rename("dictation 1"));   // taken, the case of letters aside
    EXPECT_THAT(m_view.told, ElementsAre(IsMessage(_, "Rename Dictation", _)));

    m_view.answers = {false, true};
    session.Delete();
    EXPECT_TRUE(PathExists(PathOf(StoreFolder::Current, "Smith  letter")));
    session.Delete();
    // The list is read again from the wave files: the new dictation that never recorded anything goes too.
    EXPECT_EQ(session.Names(), (Names{"Dictation 1"}));
    EXPECT_EQ(session.CurrentName(), "Dictation 1");
}

TEST_F(Session, RecordWithoutADictationCreatesOneOrSaysWhyWhenTheFolderCannotBeWritten) {
    UseInput(Tone(16000, 20000));
    DictationSession& session = Open();
    session.PressHeld(HeldCommand::Play); // nothing to play
    EXPECT_FALSE(session.Transport().IsPlaying());
    session.Record();
    m_poster.Pump();
    session.Stop();
    EXPECT_GE(session.Store().Length(StoreFolder::Current, "Dictation 1"), 20000);

    m_session.reset();
    const std::string readOnly = m_folder / "read-only/";
    ASSERT_TRUE(MakeFolders(readOnly));
    const ReadOnlyView view(m_settings.currentFolder, readOnly);
    if (!view.Mounted())
        GTEST_SKIP() << "read-only mounts are not permitted here";
    m_settings.currentFolder = readOnly;
    Open().Select("");
    m_session->Record();
    EXPECT_FALSE(m_session->Transport().IsRecording());
    EXPECT_THAT(m_view.told, ElementsAre(IsMessage(_, "New Dictation", _)));
}

TEST_F(Session, AChosenLineWithNothingPluggedInIsNotedOnceUntilItIsPluggedInAgain) {
    auto spy = std::make_unique<SpyBackend>(std::vector<std::string>{});
    SpyBackend& backend = *spy;
    m_backend = std::move(spy);
    ASSERT_TRUE(WriteIntValue(m_settings.settingsFile, SettingsKeys::kSoundInChan, 1));
    DictationSession& session = Open();
    using enum LineAvailability;
    for (const auto& [headset, notes] : std::vector<std::pair<LineAvailability, size_t>>{
             {Unplugged, 1}, {Unplugged, 1}, {Available, 1}, {Unplugged, 2}}) {
        backend.linesByDevice[0] = {{"internal", "Internal Microphone", true, Available},
                                    {"headset", "Headset Microphone", false, headset}};
        session.Record();
        session.Stop();
        EXPECT_EQ(m_view.notes, Names(notes, UnpluggedLineMessage("Headset Microphone")));
    }
}

class SessionHoldRule : public SessionTest, public ::testing::WithParamInterface<HeldCommand> {};

TEST_P(SessionHoldRule, ATapLeavesItRunningAHoldRunsItOnlyWhileHeldAndASecondTapStopsIt) {
    AddDictation("Dictation 1", 30.0); // recording hears silence: it waits for sound until stopped
    DictationSession& session = Open();
    session.SetHoldThreshold(300);
    const auto running = [&] {
        return GetParam() == HeldCommand::Play ? session.Transport().IsPlaying() : session.Transport().IsRecording();
    };
    // The times (ms) of press, release, press ...: a tap, a hold, a second tap.
    const std::pair<std::vector<int64_t>, bool> table[] = {
        {{0, 300}, true}, {{0, 301}, false}, {{0, 100, 2000, 2100}, false}};
    for (const auto& [edges, stillRunning] : table) {
        session.Stop();
        for (size_t i = 0; i < edges.size(); ++i) {
            m_now = 100000 + edges[i];
            i % 2 == 0 ? session.PressHeld(GetParam()) : session.ReleaseHeld(GetParam());
            EXPECT_TRUE(i > 0 || running());
        }
        EXPECT_EQ(running(), stillRunning) << "released at " << edges.back();
    }
}

INSTANTIATE_TEST_SUITE_P(PlayAndRecord, SessionHoldRule, ::testing::Values(HeldCommand::Play, HeldCommand::Record));

// Typed notes and the chosen priority are saved when the dictation is left: on closing here, on a recovery below,
// on switching in the main window's test of typed notes.
TEST_F(Session, CloseSavesTheDetailsSplicesARunningInsertRecordingInDetachesAndLaterCommandsDoNothing) {
    AddDictation("Dictation 1", 4.0);
    UseInput(Tone(16000, 20000));
    DictationSession& session = Open();
    session.EditNotes("Ring back\ntomorrow");
    session.EditPriority("High");
    session.ToggleInsertMode();
    session.Transport().GoToStart();
    session.Record();
    m_poster.Pump();
    session.Close();
    EXPECT_GE(session.Store().Length(StoreFolder::Current, "Dictation 1"), 60000);
    EXPECT_TRUE(FindOrphanedInserts(m_settings.currentFolder).empty());
    EXPECT_EQ(m_folder.Read("Current Files/Dictation 1.txt"), std::string("Ring back\r\ntomorrow") + '\0');
    EXPECT_EQ(session.Store().ReadRecord(StoreFolder::Current, "Dictation 1").priority, "High");
    EXPECT_EQ(m_queue.notifyPoster, nullptr);
    m_queue.failures = {{"Unable to connect", 0}};
    session.CheckQueue();
    session.New();
    session.Play();
    EXPECT_FALSE(session.HandOver(PathOf(StoreFolder::Current, "Dictation 1"), false));
    EXPECT_FALSE(session.Transport().IsPlaying());
    EXPECT_EQ(session.Names(), Names{"Dictation 1"});
    EXPECT_TRUE(m_view.told.empty() && m_view.asked.empty());
}

TEST_F(Session, InsertRecordingsACrashLeftAreOfferedBackYesKeepsOneAsANewDictationNoDiscardsIt) {
    AddDictation("Dictation 1");
    const std::string current = m_settings.currentFolder;
    ASSERT_TRUE(WriteWave(current + ".insert-Dictation 1-2.wav", Tone(8000, 2000), 8000, 1));
    ASSERT_TRUE(WriteWave(current + ".insert-Dictation 1.wav", Tone(16000, 2000), 8000, 1));
    ASSERT_TRUE(WriteWave(current + ".insert-Dictation 4.wav", {}, 8000, 1));              // holds nothing
    ASSERT_TRUE(WriteWave(current + ".splice-Dictation 1.wav", Tone(100, 2000), 8000, 1)); // half a copy
    DictationSession& session = Open();
    m_view.answers = {false, true};
    session.OfferOrphanedInserts();
    EXPECT_THAT(m_view.asked, ElementsAre(Pair(IsMessage(MessageKind::Question, "Unfinished Recording",
                                                         HasSubstr("An insert recording of 0:00:01.0 was not")),
                                               AnswerButtons::YesNo),
                                          Pair(IsMessage(_, _, HasSubstr("of 0:00:02.0")), _)));
    EXPECT_EQ(session.Names(), (Names{"Dictation 1", "Dictation 2"}));
    EXPECT_EQ(session.CurrentName(), "Dictation 2");
    EXPECT_EQ(session.Store().Length(StoreFolder::Current, "Dictation 2"), 20000);
    for (const char* gone :
         {".insert-Dictation 1-2.wav", ".insert-Dictation 1.wav", ".insert-Dictation 4.wav", ".splice-Dictation 1.wav"})
        EXPECT_FALSE(PathExists(current + gone)) << gone;
}

using Queued = std::vector<std::pair<std::string, int>>;

// The recipients, whether the queue takes it, whether "Sent Files/" holds the name already, whether the dictation
// has a wave file; the caption and a part of the text of the message that says why it was not sent (nullptr: sent).
using SendCase = std::tuple<int, bool, bool, bool, const char*, const char*>;

class SessionSending : public SessionTest, public ::testing::WithParamInterface<SendCase> {};

TEST_P(SessionSending, ASendMovesTheDictationAndQueuesItOrLeavesItCurrentAndSaysWhy) {
    const auto& [recipients, queueAccepts, sentNameTaken, recorded, caption, textPart] = GetParam();
    AddDictation("Dictation 1");
    if (recorded)
        AddDictation("Dictation 2");
    if (sentNameTaken)
        AddDictation("Dictation 2", 1.0, StoreFolder::Sent);
    if (recipients > 0)
        SetRecipients(recipients, 3); // a default beyond the count sends to the first
    m_queue.acceptAdd = queueAccepts;
    DictationSession& session = Open();
    if (!recorded)
        session.New();
    session.EditNotes("For Mary");
    session.SendToDefault();

    const bool sent = caption == nullptr;
    if (sent)
        EXPECT_TRUE(m_view.told.empty());
    else
        EXPECT_THAT(m_view.told, ElementsAre(IsMessage(_, caption, HasSubstr(textPart))));
    const std::string sentWave = PathOf(StoreFolder::Sent, "Dictation 2");
    EXPECT_EQ(m_queue.queued, (sent ? Queued{{sentWave, 0}} : Queued{}));
    EXPECT_EQ(m_view.sent, sent ? Names{"Dictation 2"} : Names{});
    EXPECT_EQ(PathExists(PathOf(StoreFolder::Current, "Dictation 2")), !sent && recorded);
    EXPECT_EQ(PathExists(sentWave), sent || sentNameTaken);
    EXPECT_EQ(session.CurrentName(), sent ? "Dictation 1" : "Dictation 2");
    if (sent) {
        EXPECT_EQ(m_folder.Read("Sent Files/Dictation 2.txt"), std::string("For Mary") + '\0'); // typed just before
        EXPECT_EQ(session.Store().ReadRecord(StoreFolder::Sent, "Dictation 2").sendStatus, "Sent");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SessionSending,
    ::testing::Values(SendCase{2, true, false, true, nullptr, ""},
                      SendCase{0, true, false, true, "No Send To Recipients", "No Typist Recipients"},
                      SendCase{1, false, false, true, "Send Dictation", "background send process could not take"},
                      SendCase{1, true, true, true, nullptr, ""}, // the earlier one moves aside
                      SendCase{1, true, false, false, "Send Dictation", "Nothing has been recorded in it yet."}));

TEST_F(Session, EachQueueFailureIsAskedOnceCancelTakesOffItsRecipientNoticesAreToldAndProgressNotesArrive) {
    DictationSession& session = Open();
    m_queue.queued = {{"a.wav", 0}, {"b.wav", 1}};
    m_queue.failures = {{"Unable to connect to the FTP server.", 1}, {"Unable to find the folder.", 0}};
    m_queue.deliveries = {{"Anna", "0007"}};
    m_view.answers = {false, true}; // Cancel, then OK
    session.CheckQueue();
    session.CheckQueue();
    EXPECT_EQ(m_view.deliveries, (std::vector<std::string>{"Anna: 0007", "failed: Unable to connect to the FTP server.",
                                                           "failed: Unable to find the folder."}));
    EXPECT_EQ(m_queue.queued, (std::vector<std::pair<std::string, int>>{{"a.wav", 0}})); // OK kept recipient 0's
    m_queue.notices = {{"First", ""}, {"Second", "File System Error"}};
    session.CheckQueue();
    EXPECT_THAT(m_view.told, ElementsAre(IsMessage(_, "Tallowin", "First"),
                                         IsMessage(MessageKind::Information, "File System Error", "Second")));

    m_queue.progress = 1.0f;
    const std::function<void()> note = m_queue.notify;
    m_queue.notifyPoster->Post(note);
    m_poster.Pump();
    EXPECT_EQ(m_view.progress.back(), 50);
    m_queue.notifyPoster->Post(note); // still on its way when the session goes: it finds it gone
    m_session.reset();
    m_poster.Pump();
    EXPECT_EQ(m_view.progress.size(), 2u);
}

TEST(SessionProgress, IsAHundredOverOnePlusTheRemainingWorkHeldWithinZeroAndAHundred) {
    const struct {
        float remaining;
        int percent;
    } table[] = {
        {0.0f, 0}, {1.0f, 50}, {-0.5f, 100}, {-1.0f, 0}, {NAN, 0}, {INFINITY, 0}, {1e-6f, 99}, {199.0f, 0},
    };
    for (const auto& row : table)
        EXPECT_EQ(DictationSession::ProgressPercent(row.remaining), row.percent) << "remaining " << row.remaining;
}

TEST_F(Session, WithoutAQueueNothingIsSentAndHandOverTakesOnlyAWaveFileOfCurrentFilesAndCanSendIt) {
    AddDictation("Dictation 1");
    SetRecipients(1);
    Open(nullptr).SendToDefault();
    EXPECT_FALSE(m_session->CanSend());
    EXPECT_EQ(m_view.progress, std::vector<int>{0});
    DictationSession& session = Open();
    AddDictation("Tape 1", 1.0);
    AddDictation("Tape 2", 1.0, StoreFolder::Sent);
    m_folder.Write("Current Files/Tape 1.WAV", m_folder.Read("Current Files/Tape 1.wav"));
    const std::string current = m_settings.currentFolder;
    for (const std::string& bad :
         {std::string(), current + "Tape 1", current + "Tape 1.WAV", current + "../Sent Files/Tape 2.wav",
          current + "Tape 9.wav", current + ".wav", std::string("Tape 1.wav")}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(session.HandOver(bad, true));
    }
    EXPECT_EQ(session.Names(), Names{"Dictation 1"});

    EXPECT_TRUE(session.HandOver(current + "Tape 1.wav", false));
    EXPECT_EQ(session.Names(), (Names{"Dictation 1", "Tape 1"}));
    EXPECT_EQ(m_view.listedCurrent, "Tape 1");
    AddDictation("Tape 3", 1.0);
    EXPECT_TRUE(session.HandOver(current + "Tape 3.wav", true));
    EXPECT_EQ(m_queue.queued, (Queued{{PathOf(StoreFolder::Sent, "Tape 3"), 0}}));
    EXPECT_EQ(session.Names(), (Names{"Dictation 1", "Tape 1"}));
}

TEST_F(Session, ANameSentAgainWhileQueuedAndOnceDeliveredReachesTheTypistEachTimeAndEachCopyStaysRecoverable) {
    const std::string typist = m_folder / "typist/";
    TypistRecipient recipient;
    recipient.SetMethod(SendMethod::Lan);
    recipient.SetText(RecipientField::Folder, typist);
    ASSERT_TRUE(MakeFolders(typist) && recipient.Save(RecipientPath(m_settings.dataFolder, 0)));
    SetRecipients(1);
    WorkerProbe probe({SendStage::Packaged});
    BGSend queue(SendContext{m_settings.dataFolder, m_settings.settingsFile, m_settings.sentFolder});
    probe.Attach(queue);
    ASSERT_TRUE(queue.Open(m_settings.dataFolder));
    DictationSession& session = Open(&queue);
    for (int number = 1; number <= 3; ++number) {
        session.New();
        AddDictation("Dictation " + std::to_string(number));
        ASSERT_TRUE(session.Rename("Letter"));
        session.SendToDefault();
        ASSERT_TRUE(number != 1 || probe.WaitUntilHeld()); // the first is still queued when the second goes
        if (number == 2)
            probe.ReleaseForever();
        ASSERT_TRUE(probe.WaitForEndings(number - 1));
    }
    EXPECT_EQ(ListFolder(typist).value_or(Names{}).size(), 3u); // packages are named by the dictations' numbers
    const std::pair<const char*, int> copies[] = {{"Letter (3)", 1}, {"Letter", 3}, {"Letter (2)", 2}};
    for (const auto& [name, number] : copies) // each recovered, with its own number
        EXPECT_EQ((std::pair{session.RecoverSent(name), session.Store().ReadRecord(StoreFolder::Current, name).number}),
                  std::pair(StoreResult::Done, number));
    m_session.reset();
}

// Whether "Current Files/" holds the name, whether the sent wave is still there, whether it is queued and the queue
// lets it go; the result.
using RecoverCase = std::tuple<bool, bool, bool, bool, StoreResult>;

class SessionRecovery : public SessionTest, public ::testing::WithParamInterface<RecoverCase> {};

TEST_P(SessionRecovery, ASentDictationIsMovedBackAndMadeCurrentOrRefusedWithNothingChanged) {
    const auto& [currentHasTheName, waveKept, queued, queueLetsGo, result] = GetParam();
    AddDictation("Dictation 1");
    if (currentHasTheName)
        AddDictation("Dictation 5");
    if (waveKept)
        AddDictation("Dictation 5", 1.0, StoreFolder::Sent);
    m_folder.Write("Sent Files/Dictation 5.dat", "[file]\r\nnumber=5\r\nsendstatus=Sent\r\n");
    const std::string sentWave = PathOf(StoreFolder::Sent, "Dictation 5");
    if (queued)
        m_queue.queued = {{sentWave, 0}};
    m_queue.acceptRemove = queueLetsGo;
    DictationSession& session = Open();
    const std::string currentBefore = session.CurrentName();
    session.EditNotes("For Mary");
    session.EditPriority("High");

    EXPECT_EQ(session.RecoverSent("Dictation 5"), result);
    const bool done = result == StoreResult::Done;
    EXPECT_EQ(m_queue.IsQueued(sentWave), queued && !queueLetsGo);
    EXPECT_EQ(PathExists(PathOf(StoreFolder::Sent, "Dictation 5", ".dat")), !done);
    // A recovery saves the details of the dictation it leaves; a refusal changes nothing.
    EXPECT_EQ(session.Store().ReadRecord(StoreFolder::Current, currentBefore).priority == "High", done);
    if (done) {
        EXPECT_EQ(session.Names(), (Names{"Dictation 1", "Dictation 5"}));
        EXPECT_EQ(m_view.listedCurrent, "Dictation 5");
        EXPECT_EQ(session.Store().ReadRecord(StoreFolder::Current, "Dictation 5").sendStatus, "Sent");
        EXPECT_EQ(m_folder.Read("Current Files/Dictation 1.txt"), std::string("For Mary") + '\0');
    } else {
        EXPECT_EQ(session.CurrentName(), currentBefore);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, SessionRecovery,
                         ::testing::Values(RecoverCase{false, true, false, true, StoreResult::Done},
                                           RecoverCase{true, true, false, true, StoreResult::NameTaken},
                                           RecoverCase{false, true, true, true, StoreResult::Done},
                                           RecoverCase{false, true, true, false, StoreResult::StillQueued},
                                           RecoverCase{false, false, false, true, StoreResult::NotFound}));

} // namespace
