#include "DictationDateText.h"
#include "SettingsKeys.h"
#include "StoreFixture.h"

#include <climits>
#include <cstdlib>

using DictationStoreTest = StoreFixture;

TEST_F(DictationStoreTest, TheListIsSortedWithoutRegardToCaseSoDictation10ComesBefore2) {
    for (int n = 1; n <= 12; ++n)
        AddDictation(StoreFolder::Current, "Dictation " + std::to_string(n), n);
    const auto names = m_store.List();
    ASSERT_TRUE(names);
    EXPECT_EQ(*names,
              (Names{"Dictation 1", "Dictation 10", "Dictation 11", "Dictation 12", "Dictation 2", "Dictation 3",
                     "Dictation 4", "Dictation 5", "Dictation 6", "Dictation 7", "Dictation 8", "Dictation 9"}));
    EXPECT_EQ(names->back(), "Dictation 9"); // the one a refresh selects
}

TEST_F(DictationStoreTest, OnlyVisibleWaveFilesAreListed) {
    AddDictation(StoreFolder::Current, "letter");
    AddDictation(StoreFolder::Current, "Memo");
    m_folder.Write("Current Files/.insert.wav", "temporary recording");
    m_folder.Write("Current Files/Loud.WAV", "not ours");
    m_folder.Write("Current Files/Orphan.dat", "[file]\n");
    m_folder.Write("Current Files/readme.wav.txt", "x");
    EXPECT_EQ(m_store.List(), (Names{"letter", "Memo"}));
}

TEST_F(DictationStoreTest, AFolderThatCannotBeListedIsAFailureNotAnEmptyList) {
    DictationStore missing(m_folder / "gone/", m_sent, m_settings);
    EXPECT_FALSE(missing.List());
    EXPECT_FALSE(missing.Refresh());
    ASSERT_TRUE(m_store.List());
    EXPECT_TRUE(m_store.List()->empty());
}

TEST_F(DictationStoreTest, ARefreshRemovesRecordsAndNotesWithoutAudio) {
    AddDictation(StoreFolder::Current, "Kept", 1, "kept notes");
    m_folder.Write("Current Files/Ghost.dat", "[file]\nnumber=9\n");
    m_folder.Write("Current Files/Ghost.txt", std::string("old notes\0", 10));
    m_folder.Write("Current Files/KEPT.txt", "same title in other case"); // compared without regard to case
    m_folder.Write("Current Files/.Ghost.dat", "hidden: a temporary file");
    m_folder.Write("Current Files/Ghost.doc", "not a dictation file");
    EXPECT_EQ(m_store.Refresh(), (Names{"Kept"}));
    EXPECT_EQ(Entries(m_current), (Names{".Ghost.dat", "Ghost.doc", "KEPT.txt", "Kept.dat", "Kept.txt", "Kept.wav"}));
}

TEST_F(DictationStoreTest, ANewDictationTakesTheSettingsNumberAndStoresTheNextAtOnce) {
    const NamedResult first = m_store.Create();
    EXPECT_EQ(first.result, StoreResult::Done);
    EXPECT_EQ(first.name, "Dictation 1");
    // Both files are on disk, not only in the cache.
    EXPECT_EQ(m_folder.Read("settings.ini"), "[settings]\nnumber=2\n");
    EXPECT_EQ(m_folder.Read("Current Files/Dictation 1.dat"), "[file]\nnumber=1\ndate=1764925620\n");

    m_now += 60;
    const NamedResult tape = m_store.Create(kTapePrefix);
    EXPECT_EQ(tape.result, StoreResult::Done);
    EXPECT_EQ(tape.name, "Tape 2");
    EXPECT_EQ(m_store.ReadRecord(StoreFolder::Current, "Tape 2").date, kNow + 60);
    EXPECT_EQ(ReadIntValue(m_settings, SettingsKeys::kNumber), 3);
}

TEST_F(DictationStoreTest, ANewDictationThatIsNeverRecordedIsGoneAfterTheNextRefresh) {
    ASSERT_EQ(m_store.Create().result, StoreResult::Done);
    EXPECT_TRUE(PathExists(m_current + "Dictation 1.dat"));
    DictationStore restarted(m_current, m_sent, m_settings);
    EXPECT_EQ(restarted.Refresh(), Names{});
    EXPECT_FALSE(PathExists(m_current + "Dictation 1.dat"));
    EXPECT_EQ(restarted.Create().name, "Dictation 2"); // numbers are never handed out twice
}

TEST_F(DictationStoreTest, ANumberWhoseNameIsTakenIsSkippedAndTheOtherRecordLeftAlone) {
    ASSERT_TRUE(WriteIntValue(m_settings, SettingsKeys::kNumber, 5));
    AddDictation(StoreFolder::Current, "Dictation 5", 99, "notes of five");
    m_folder.Write("Current Files/dictation 6.txt", "notes without audio, other case");
    AddDictation(StoreFolder::Sent, "DICTATION 7", 7);
    const std::string recordOfFive = m_folder.Read("Current Files/Dictation 5.dat");

    const NamedResult created = m_store.Create();
    EXPECT_EQ(created.result, StoreResult::Done);
    EXPECT_EQ(created.name, "Dictation 8");
    EXPECT_EQ(m_store.ReadRecord(StoreFolder::Current, "Dictation 8").number, 8);
    EXPECT_EQ(ReadIntValue(m_settings, SettingsKeys::kNumber), 9);
    EXPECT_EQ(m_folder.Read("Current Files/Dictation 5.dat"), recordOfFive);
    EXPECT_EQ(m_store.LoadNotes(StoreFolder::Current, "Dictation 5"), "notes of five");
}

TEST_F(DictationStoreTest, CreatingFailsCleanlyWhenNumbersRunOutOrTheFolderIsMissing) {
    ASSERT_TRUE(WriteIntValue(m_settings, SettingsKeys::kNumber, INT32_MAX));
    EXPECT_EQ(m_store.Create().result, StoreResult::NoFreeNumber);
    EXPECT_EQ(Entries(m_current), Names{});

    ASSERT_TRUE(WriteIntValue(m_settings, SettingsKeys::kNumber, 4));
    DictationStore missing(m_folder / "gone/", m_sent, m_settings);
    EXPECT_EQ(missing.Create().result, StoreResult::FileError);
    EXPECT_EQ(ReadIntValue(m_settings, SettingsKeys::kNumber), 4);
}

TEST_F(DictationStoreTest, AMissingRecordReadsTheKeysDefaults) {
    const DictationRecord record = m_store.ReadRecord(StoreFolder::Sent, "Nothing");
    EXPECT_EQ(record.number, 0);
    EXPECT_EQ(record.date, 0);
    EXPECT_EQ(record.priority, "Normal");
    EXPECT_EQ(record.sendDate, 0);
    EXPECT_EQ(record.recipient, "Unknown Recipient");
    EXPECT_EQ(record.sendStatus, "Unknown Status");
}

TEST_F(DictationStoreTest, TheCreationDateTextFollowsTheRecord) {
    ::setenv("TZ", "UTC0", 1);
    ::tzset();
    ASSERT_EQ(m_store.Create().result, StoreResult::Done);
    EXPECT_EQ(m_store.CreationDateText(StoreFolder::Current, "Dictation 1"), "Dictation started 5 December 2025 09:07");
    AddDictation(StoreFolder::Current, "Undated");
    EXPECT_EQ(m_store.CreationDateText(StoreFolder::Current, "Undated"), "File create date unknown");
    ::unsetenv("TZ");
    ::tzset();
}

TEST_F(DictationStoreTest, TheLengthComesFromTheWaveAndIsZeroWithoutOne) {
    EXPECT_EQ(m_store.Length(StoreFolder::Current, "Nothing"), 0); // no length function at all
    StoreServices services;
    services.waveLength = [](const std::string& path) { return path.ends_with("Broken.wav") ? -1 : 123456; };
    DictationStore store(m_current, m_sent, m_settings, services);
    AddDictation(StoreFolder::Current, "Recorded");
    AddDictation(StoreFolder::Current, "Broken");
    EXPECT_EQ(store.Length(StoreFolder::Current, "Recorded"), 123456);
    EXPECT_EQ(store.Length(StoreFolder::Current, "Broken"), 0);
    EXPECT_EQ(store.Length(StoreFolder::Current, "Missing"), 0);
}

TEST_F(DictationStoreTest, SavingDetailsWritesThePriorityAndOnlyChangedNotes) {
    AddDictation(StoreFolder::Current, "Memo", 3, "first notes");
    EXPECT_EQ(m_store.SaveDetails("Memo", "High"), StoreResult::Done);
    EXPECT_EQ(m_folder.Read("Current Files/Memo.dat"), "[file]\nnumber=3\npriority=High\n");
    EXPECT_EQ(m_folder.Read("Current Files/Memo.txt"), std::string("first notes\0", 12));

    EXPECT_EQ(m_store.SaveDetails("Memo", "Low", "Line one\r\nLine two"), StoreResult::Done);
    EXPECT_EQ(m_folder.Read("Current Files/Memo.txt"), std::string("Line one\r\nLine two\0", 19));
    EXPECT_EQ(m_store.LoadNotes(StoreFolder::Current, "Memo"), "Line one\r\nLine two");

    EXPECT_EQ(m_store.SaveDetails("Memo", "Normal", ""), StoreResult::Done);
    EXPECT_EQ(m_folder.Read("Current Files/Memo.txt"), std::string(1, '\0'));
    EXPECT_EQ(Entries(m_current), (Names{"Memo.dat", "Memo.txt", "Memo.wav"})); // no temporary left behind
}

TEST_F(DictationStoreTest, ThePriorityIsCutToNineteenBytesOnACharacterBoundary) {
    AddDictation(StoreFolder::Current, "Memo");
    EXPECT_EQ(m_store.SaveDetails("Memo", "Extremely important indeed"), StoreResult::Done);
    EXPECT_EQ(m_store.ReadRecord(StoreFolder::Current, "Memo").priority, "Extremely important");
    EXPECT_EQ(m_store.SaveDetails("Memo", "Priority very highü"), StoreResult::Done); // 'ü' is bytes 19 and 20
    EXPECT_EQ(m_store.ReadRecord(StoreFolder::Current, "Memo").priority, "Priority very high");
}

TEST_F(DictationStoreTest, NotesAreNeverCutWhenSavedOrEndedEarlyByAZeroByte) {
    AddDictation(StoreFolder::Current, "Memo", 1, "keep me");
    const std::string tooLong(kNotesLimit + 1, 'n');
    EXPECT_EQ(m_store.SaveDetails("Memo", "High", tooLong), StoreResult::NotesTooLong);
    EXPECT_EQ(m_store.LoadNotes(StoreFolder::Current, "Memo"), "keep me");
    EXPECT_EQ(m_store.ReadRecord(StoreFolder::Current, "Memo").priority, "High");

    EXPECT_EQ(m_store.SaveDetails("Memo", "High", std::string(kNotesLimit, 'n')), StoreResult::Done);
    EXPECT_EQ(m_store.LoadNotes(StoreFolder::Current, "Memo")->size(), kNotesLimit);

    EXPECT_EQ(m_store.SaveDetails("Memo", "High", std::string("before\0after", 12)), StoreResult::Done);
    EXPECT_EQ(m_store.LoadNotes(StoreFolder::Current, "Memo"), "before after");
}

TEST_F(DictationStoreTest, LoadingNotesReadsUpToTheLimitAndTheFirstZeroByte) {
    EXPECT_EQ(m_store.LoadNotes(StoreFolder::Current, "None"), "");
    m_folder.Write("Current Files/Empty.txt", "");
    EXPECT_EQ(m_store.LoadNotes(StoreFolder::Current, "Empty"), "");
    m_folder.Write("Current Files/Ended.txt", std::string("text\0garbage", 12));
    EXPECT_EQ(m_store.LoadNotes(StoreFolder::Current, "Ended"), "text");
    m_folder.Write("Current Files/Big.txt", std::string(40000, 'b'));
    EXPECT_EQ(m_store.LoadNotes(StoreFolder::Current, "Big"), std::string(kNotesLimit, 'b'));
    // A two-byte letter across the limit is dropped rather than cut in half.
    m_folder.Write("Current Files/Cut.txt", std::string(kNotesLimit - 1, 'c') + "ü");
    EXPECT_EQ(m_store.LoadNotes(StoreFolder::Current, "Cut"), std::string(kNotesLimit - 1, 'c'));
}

TEST_F(DictationStoreTest, NotesThatExistButCannotBeReadAreNotTakenForEmpty) {
    ASSERT_TRUE(MakeFolders(m_current + "Odd.txt")); // a folder where the notes should be
    EXPECT_EQ(m_store.LoadNotes(StoreFolder::Current, "Odd"), std::nullopt);
}

TEST_F(DictationStoreTest, RenamingReplacesForbiddenCharactersAndMovesAllThreeFiles) {
    AddDictation(StoreFolder::Current, "Dictation 4", 4, "notes");
    const NamedResult renamed = m_store.Rename("Dictation 4", "a:b*c.d");
    EXPECT_EQ(renamed.result, StoreResult::Done);
    EXPECT_EQ(renamed.name, "a b c d");
    EXPECT_EQ(Entries(m_current), (Names{"a b c d.dat", "a b c d.txt", "a b c d.wav"}));
    EXPECT_EQ(m_store.ReadRecord(StoreFolder::Current, "a b c d").number, 4);
    EXPECT_EQ(m_folder.Read("Current Files/a b c d.wav"), "RIFFDictation 4");

    EXPECT_EQ(m_store.Rename("a b c d", "Why?").name, "Why?");
    EXPECT_EQ(m_store.List(), Names{"Why?"});
}

TEST_F(DictationStoreTest, RenamingOntoAnotherDictationInAnyCaseIsRefused) {
    AddDictation(StoreFolder::Current, "First", 1, "first notes");
    AddDictation(StoreFolder::Current, "Second", 2, "second notes");
    EXPECT_EQ(m_store.Rename("First", "Second").result, StoreResult::NameTaken);
    EXPECT_EQ(m_store.Rename("First", "SECOND").result, StoreResult::NameTaken);
    // Notes alone already take the name: all three targets are checked before anything moves.
    m_folder.Write("Current Files/Third.txt", "stray notes");
    EXPECT_EQ(m_store.Rename("First", "third").result, StoreResult::NameTaken);
    EXPECT_EQ(m_folder.Read("Current Files/Third.txt"), "stray notes");
    EXPECT_EQ(Entries(m_current),
              (Names{"First.dat", "First.txt", "First.wav", "Second.dat", "Second.txt", "Second.wav", "Third.txt"}));
    EXPECT_EQ(m_store.LoadNotes(StoreFolder::Current, "Second"), "second notes");
}

TEST_F(DictationStoreTest, ADictationMayChangeTheCaseOfItsOwnName) {
    AddDictation(StoreFolder::Current, "letter", 1, "notes");
    EXPECT_EQ(m_store.Rename("letter", "Letter").result, StoreResult::Done);
    EXPECT_EQ(Entries(m_current), (Names{"Letter.dat", "Letter.txt", "Letter.wav"}));
    EXPECT_EQ(m_store.Rename("Letter", "Letter").result, StoreResult::Done); // unchanged: nothing to do
}

TEST_F(DictationStoreTest, UnusableNewNamesAreRefusedWithAReason) {
    AddDictation(StoreFolder::Current, "Memo");
    EXPECT_EQ(m_store.Rename("Memo", " . ").result, StoreResult::NameEmpty);
    EXPECT_EQ(m_store.Rename("Memo", std::string(300, 'x')).result, StoreResult::NameTooLong);
    EXPECT_EQ(m_store.Rename("Memo", "Caf\xe9").result, StoreResult::NameInvalid);
    EXPECT_EQ(m_store.Rename("Nothing", "Something").result, StoreResult::NotFound);
    EXPECT_EQ(Entries(m_current), (Names{"Memo.dat", "Memo.wav"}));
}

TEST_F(DictationStoreTest, DeletingRemovesAllThreeFilesAndNothingElse) {
    AddDictation(StoreFolder::Current, "Gone", 1, "notes");
    AddDictation(StoreFolder::Current, "Staying");
    EXPECT_EQ(m_store.Delete("Gone"), StoreResult::Done);
    EXPECT_EQ(Entries(m_current), (Names{"Staying.dat", "Staying.wav"}));
    EXPECT_EQ(m_store.Delete("Gone"), StoreResult::Done); // nothing left is the same outcome
}

TEST_F(DictationStoreTest, ADeletedRecordIsNotBroughtBackByALaterFlush) {
    AddDictation(StoreFolder::Current, "Gone");
    ASSERT_TRUE(WriteStringValue(m_store.RecordPath(StoreFolder::Current, "Gone"), RecordKeys::kPriority, "Low"));
    EXPECT_EQ(m_store.Delete("Gone"), StoreResult::Done);
    EXPECT_TRUE(FlushProfile(m_store.RecordPath(StoreFolder::Current, "Gone")));
    EXPECT_EQ(Entries(m_current), Names{});
}
