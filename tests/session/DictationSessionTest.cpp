// The dictation session without windows: the list and the current dictation, its details, recording, the hold
// rule, splices, crash leftovers and closing.
#include "ReadOnlyView.h"
#include "SessionTestSupport.h"
#include "app/DictationLayout.h"
#include "app/DictationTransport.h"
#include "platform/FileOps.h"

namespace {

using Session = SessionTest;
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
    EXPECT_EQ(m_view.listedCurrent, "Dictation 3");
    EXPECT_TRUE(PathExists(PathOf(StoreFolder::Current, "Dictation 3", ".dat")));
    EXPECT_FALSE(session.Transport().InsertMode() || session.Transport().IsPlaying());

    session.Select("Dictation 2");
    EXPECT_TRUE(session.Rename("Smith: letter")); // cleaned by the store's rules
    EXPECT_EQ(session.Names(), (Names{"Dictation 1", "Dictation 3", "Smith  letter"}));
    EXPECT_EQ(m_view.listedCurrent, "Smith  letter");
    EXPECT_FALSE(session.Rename("Smith  letter")); // unchanged: nothing to tell
    EXPECT_FALSE(session.Rename("dictation 1"));   // taken, the case of letters aside
    ASSERT_EQ(m_view.told.size(), 1u);
    EXPECT_EQ(m_view.told[0].caption, "Rename Dictation");
    EXPECT_EQ(session.CurrentName(), "Smith  letter");

    m_view.answers = {false, true};
    session.Delete();
    EXPECT_TRUE(PathExists(PathOf(StoreFolder::Current, "Smith  letter")));
    session.Delete();
    EXPECT_EQ(m_view.asked[1].first.caption, "Confirm Delete");
    EXPECT_EQ(m_view.asked[1].second, AnswerButtons::YesNo);
    EXPECT_FALSE(PathExists(PathOf(StoreFolder::Current, "Smith  letter")));
    EXPECT_FALSE(PathExists(PathOf(StoreFolder::Current, "Smith  letter", ".dat")));
    // The list is read again: the new dictation that never recorded anything goes too.
    EXPECT_EQ(session.Names(), (Names{"Dictation 1"}));
    EXPECT_EQ(session.CurrentName(), "Dictation 1");
}

enum class Leave { Switch, Close, Recovery };

class SessionDetails : public SessionTest, public ::testing::WithParamInterface<Leave> {};

TEST_P(SessionDetails, TypedNotesAndTheChosenPriorityAreSavedWhenTheDictationIsLeft) {
    AddDictation("Dictation 1");
    AddDictation("Dictation 2");
    AddDictation("Dictation 3", 1.0, StoreFolder::Sent);
    DictationSession& session = Open();
    session.EditNotes("Ring back\ntomorrow");
    session.EditPriority("High");
    if (GetParam() == Leave::Switch)
        session.Select("Dictation 1");
    if (GetParam() == Leave::Close)
        session.Close();
    if (GetParam() == Leave::Recovery) {
        EXPECT_EQ(session.RecoverSent("Dictation 3"), StoreResult::Done);
    }
    EXPECT_EQ(m_folder.Read("Current Files/Dictation 2.txt"), std::string("Ring back\r\ntomorrow") + '\0');
    EXPECT_EQ(session.Store().ReadRecord(StoreFolder::Current, "Dictation 2").priority, "High");
    if (GetParam() != Leave::Switch)
        return;
    session.Select("Dictation 2");
    EXPECT_EQ(m_view.shown->notes, "Ring back\ntomorrow");
    EXPECT_EQ(m_view.shown->priority, "High");
    EXPECT_FALSE(PathExists(PathOf(StoreFolder::Current, "Dictation 1", ".txt"))); // left unchanged: not written
}

INSTANTIATE_TEST_SUITE_P(Leaving, SessionDetails, ::testing::Values(Leave::Switch, Leave::Close, Leave::Recovery));

TEST_F(Session, RecordWithoutADictationCreatesOneOrSaysWhyWhenTheFolderCannotBeWritten) {
    UseInput(Tone(16000, 20000));
    DictationSession& session = Open();
    session.PressHeld(HeldCommand::Play); // nothing to play
    EXPECT_FALSE(session.Transport().IsPlaying());
    session.Record();
    EXPECT_EQ(m_view.listed, Names{"Dictation 1"});
    EXPECT_EQ(session.Transport().CurrentPath(), PathOf(StoreFolder::Current, "Dictation 1"));
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
    ASSERT_EQ(m_view.told.size(), 1u);
    EXPECT_EQ(m_view.told[0].caption, "New Dictation");
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

TEST_F(Session, CloseSplicesARunningInsertRecordingInDetachesAndLaterCommandsDoNothing) {
    AddDictation("Dictation 1", 4.0);
    UseInput(Tone(16000, 20000));
    DictationSession& session = Open();
    EXPECT_EQ(m_queue.notifyPoster, &m_poster);
    session.ToggleInsertMode();
    session.Transport().GoToStart();
    session.Record();
    m_poster.Pump();
    session.Close();
    EXPECT_GE(session.Store().Length(StoreFolder::Current, "Dictation 1"), 60000);
    EXPECT_TRUE(FindOrphanedInserts(m_settings.currentFolder).empty());
    EXPECT_EQ(m_queue.notifyPoster, nullptr);
    m_queue.failure = "Unable to connect";
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
    ASSERT_EQ(m_view.asked.size(), 2u);
    EXPECT_EQ(m_view.asked[0].first.caption, "Unfinished Recording");
    EXPECT_EQ(m_view.asked[0].first.kind, MessageKind::Question);
    EXPECT_EQ(m_view.asked[0].second, AnswerButtons::YesNo);
    EXPECT_NE(m_view.asked[0].first.text.find("An insert recording of 0:00:01.0 was not"), std::string::npos);
    EXPECT_NE(m_view.asked[1].first.text.find("of 0:00:02.0"), std::string::npos);
    EXPECT_EQ(session.Names(), (Names{"Dictation 1", "Dictation 2"}));
    EXPECT_EQ(session.CurrentName(), "Dictation 2");
    EXPECT_EQ(session.Store().Length(StoreFolder::Current, "Dictation 2"), 20000);
    for (const char* gone :
         {".insert-Dictation 1-2.wav", ".insert-Dictation 1.wav", ".insert-Dictation 4.wav", ".splice-Dictation 1.wav"})
        EXPECT_FALSE(PathExists(current + gone)) << gone;
}

} // namespace
