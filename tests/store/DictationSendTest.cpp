#include "StoreFixture.h"

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class DictationSendTest : public StoreFixture {
protected:
    // A queue that takes every path and remembers it.
    EnqueueFunction Queue() {
        return [this](const std::string& path) {
            m_queued.insert(path);
            m_enqueued.push_back(path);
            return true;
        };
    }

    StoreResult Send(const std::string& name) { return m_store.MoveToSent(name, "Jane (typing pool)", Queue()); }

    void SetModified(const std::string& path, int64_t seconds) {
        const timespec times[2] = {{static_cast<time_t>(seconds), 0}, {static_cast<time_t>(seconds), 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    }

    std::vector<std::string> m_enqueued;
};

} // namespace

TEST_F(DictationSendTest, SendingMovesTheFilesStampsTheRecordAndQueuesTheMovedWave) {
    AddDictation(StoreFolder::Current, "Letter", 12, "Please type quickly");
    m_now = kNow + 300;
    EXPECT_EQ(Send("Letter"), StoreResult::Done);
    EXPECT_EQ(Entries(m_current), Names{});
    EXPECT_EQ(Entries(m_sent), (Names{"Letter.dat", "Letter.txt", "Letter.wav"}));
    EXPECT_EQ(m_enqueued, Names{m_sent + "Letter.wav"});
    EXPECT_EQ(m_folder.Read("Sent Files/Letter.dat"),
              "[file]\nnumber=12\nsenddate=1764925920\nrecipient=Jane (typing pool)\nsendstatus=Sent\n");
    EXPECT_EQ(m_store.LoadNotes(StoreFolder::Sent, "Letter"), "Please type quickly");
    EXPECT_EQ(m_store.ListSent(), Names{"Letter"});
}

TEST_F(DictationSendTest, ADictationWhoseNotesWereNeverSavedMovesWaveAndRecordOnly) {
    AddDictation(StoreFolder::Current, "Short");
    EXPECT_EQ(Send("Short"), StoreResult::Done);
    EXPECT_EQ(Entries(m_sent), (Names{"Short.dat", "Short.wav"}));
}

TEST_F(DictationSendTest, ADictationWithoutAudioIsNotSent) {
    ASSERT_EQ(m_store.Create().result, StoreResult::Done);
    EXPECT_EQ(Send("Dictation 1"), StoreResult::NotFound);
    EXPECT_EQ(Entries(m_current), Names{"Dictation 1.dat"});
    EXPECT_TRUE(m_enqueued.empty());
}

TEST_F(DictationSendTest, WhenTheQueueRefusesTheDictationIsBackInCurrentFiles) {
    AddDictation(StoreFolder::Current, "Letter", 3, "notes");
    std::string offered;
    const StoreResult result = m_store.MoveToSent("Letter", "Jane", [&](const std::string& path) {
        offered = path;
        EXPECT_TRUE(PathExists(path)); // the queue sees the moved wave
        return false;
    });
    EXPECT_EQ(result, StoreResult::QueueFailed);
    EXPECT_EQ(offered, m_sent + "Letter.wav");
    EXPECT_EQ(Entries(m_current), (Names{"Letter.dat", "Letter.txt", "Letter.wav"}));
    EXPECT_EQ(Entries(m_sent), Names{});
    EXPECT_EQ(m_store.ReadRecord(StoreFolder::Current, "Letter").number, 3);
    EXPECT_EQ(m_store.List(), Names{"Letter"});
}

TEST_F(DictationSendTest, ASentDictationOfTheSameNameIsNeitherReplacedNorDeleted) {
    AddSent("letter", kDay);
    AddDictation(StoreFolder::Current, "Letter", 2, "new notes");
    EXPECT_EQ(Send("Letter"), StoreResult::SentNameTaken);
    EXPECT_EQ(Entries(m_sent), (Names{"letter.dat", "letter.txt", "letter.wav"}));
    EXPECT_EQ(Entries(m_current), (Names{"Letter.dat", "Letter.txt", "Letter.wav"}));
    EXPECT_EQ(m_folder.Read("Sent Files/letter.wav"), "RIFFletter");
    EXPECT_TRUE(m_enqueued.empty());

    // Renamed, it goes.
    EXPECT_EQ(m_store.Rename("Letter", "Letter 2").result, StoreResult::Done);
    EXPECT_EQ(Send("Letter 2"), StoreResult::Done);
}

TEST_F(DictationSendTest, ANameTooLongForTheSentFolderIsRefusedBeforeAnythingMoves) {
    const std::string deepSent = m_folder / (std::string(150, 's') + "/");
    ASSERT_TRUE(MakeFolders(deepSent));
    DictationStore store(m_current, deepSent, m_settings);
    const std::string name(120, 'n'); // fits "Current Files/", not the deep folder
    AddDictation(StoreFolder::Current, name);
    EXPECT_EQ(store.MoveToSent(name, "Jane", Queue()), StoreResult::NameTooLong);
    EXPECT_EQ(Entries(m_current).size(), 2u);
}

TEST_F(DictationSendTest, SendingPurgesDictationsSentElevenDaysAgoButNotNineDaysAgo) {
    AddSent("Nine days", 9 * kDay);
    AddSent("Eleven days", 11 * kDay);
    AddDictation(StoreFolder::Current, "Today");
    EXPECT_EQ(Send("Today"), StoreResult::Done);
    EXPECT_EQ(Entries(m_sent), (Names{"Nine days.dat", "Nine days.txt", "Nine days.wav", "Today.dat", "Today.wav"}));
}

TEST_F(DictationSendTest, ThePurgeKeepsTheThresholdOf2000UnitsOf429Seconds) {
    AddSent("At the limit", 858993); // 2000 × 429.4967296 s = 858993.46 s
    AddSent("Past the limit", 858994);
    EXPECT_EQ(m_store.PurgeSent(), 1u);
    EXPECT_EQ(m_store.ListSent(), Names{"At the limit"});
}

TEST_F(DictationSendTest, ThePurgeKeepsQueuedDictationsAndRecordsWithoutASendDate) {
    AddSent("Queued", 20 * kDay);
    m_queued.insert(m_sent + "Queued.wav");
    AddDictation(StoreFolder::Sent, "Never stamped");
    AddSent("From the future", -kDay);
    AddSent("Old", 30 * kDay);
    m_folder.Write("Sent Files/Zero.dat", "[file]\nsenddate=0\n");
    m_folder.Write("Sent Files/Zero.wav", "RIFF");
    EXPECT_EQ(m_store.PurgeSent(), 1u);
    EXPECT_EQ(m_store.ListSent(), (Names{"From the future", "Never stamped", "Queued", "Zero"}));
    EXPECT_TRUE(PathExists(m_sent + "Queued.txt"));
    EXPECT_FALSE(PathExists(m_sent + "Old.txt"));
}

TEST_F(DictationSendTest, ThePurgeRemovesOldPackagesByTheirAgeAndLeavesOtherFiles) {
    const std::string oldPackage = m_folder.Write("Sent Files/dct00042-00017.dct", "package");
    const std::string newPackage = m_folder.Write("Sent Files/dct00042-00018.dct", "package");
    const std::string otherFile = m_folder.Write("Sent Files/notes.doc", "user's own file");
    const std::string hidden = m_folder.Write("Sent Files/.Letter.wav.abc123", "temporary");
    SetModified(oldPackage, m_now - 11 * kDay);
    SetModified(newPackage, m_now - 9 * kDay);
    SetModified(otherFile, m_now - 50 * kDay);
    SetModified(hidden, m_now - 50 * kDay);
    EXPECT_EQ(m_store.PurgeSent(), 0u);
    EXPECT_EQ(Entries(m_sent), (Names{".Letter.wav.abc123", "dct00042-00018.dct", "notes.doc"}));
}

TEST_F(DictationSendTest, ThePurgeOfAFolderThatCannotBeListedRemovesNothing) {
    DictationStore missing(m_current, m_folder / "gone/", m_settings);
    EXPECT_EQ(missing.PurgeSent(), std::nullopt);
}

TEST_F(DictationSendTest, RecoveringBringsTheDictationBackWithItsSendKeys) {
    AddDictation(StoreFolder::Current, "Letter", 5, "notes");
    ASSERT_EQ(Send("Letter"), StoreResult::Done);
    m_queued.clear(); // delivered
    EXPECT_EQ(m_store.Recover("Letter"), StoreResult::Done);
    EXPECT_EQ(Entries(m_sent), Names{});
    EXPECT_EQ(m_store.List(), Names{"Letter"});
    const DictationRecord record = m_store.ReadRecord(StoreFolder::Current, "Letter");
    EXPECT_EQ(record.number, 5);
    EXPECT_EQ(record.sendStatus, "Sent");
    EXPECT_EQ(m_store.LoadNotes(StoreFolder::Current, "Letter"), "notes");
}

TEST_F(DictationSendTest, RecoveringOntoACurrentDictationOfTheSameNameIsRefused) {
    AddSent("Letter", kDay);
    AddDictation(StoreFolder::Current, "LETTER", 8, "current notes");
    EXPECT_EQ(m_store.Recover("Letter"), StoreResult::NameTaken);
    EXPECT_EQ(Entries(m_sent), (Names{"Letter.dat", "Letter.txt", "Letter.wav"}));
    EXPECT_EQ(Entries(m_current), (Names{"LETTER.dat", "LETTER.txt", "LETTER.wav"}));
    EXPECT_EQ(m_store.LoadNotes(StoreFolder::Current, "LETTER"), "current notes");
}

TEST_F(DictationSendTest, AQueuedOrIncompleteDictationIsNotRecovered) {
    AddDictation(StoreFolder::Current, "Letter");
    ASSERT_EQ(Send("Letter"), StoreResult::Done);
    EXPECT_EQ(m_store.Recover("Letter"), StoreResult::StillQueued);
    EXPECT_EQ(Entries(m_sent), (Names{"Letter.dat", "Letter.wav"}));

    // Without its wave a recovered record would be swept away by the next refresh.
    m_folder.Write("Sent Files/Lost.dat", "[file]\nsenddate=1\n");
    EXPECT_EQ(m_store.Recover("Lost"), StoreResult::NotFound);
    EXPECT_TRUE(PathExists(m_sent + "Lost.dat"));
}

TEST_F(DictationSendTest, SendingAndRecoveringWorkAcrossFileSystems) {
    struct stat shm {};
    struct stat here {};
    if (::stat("/dev/shm", &shm) != 0 || ::stat(m_folder.Path().c_str(), &here) != 0 || shm.st_dev == here.st_dev)
        GTEST_SKIP() << "no second file system at /dev/shm";
    struct ShmFolder {
        std::string path = "/dev/shm/tallowin-sent-XXXXXX";
        ShmFolder() { path = ::mkdtemp(path.data()) ? path + "/" : ""; }
        ~ShmFolder() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    } scratch;
    ASSERT_FALSE(scratch.path.empty());
    const std::string otherSent = scratch.path;
    StoreServices services = Services();
    DictationStore store(m_current, otherSent, m_settings, services);
    AddDictation(StoreFolder::Current, "Far", 6, "far notes");

    EXPECT_EQ(store.MoveToSent("Far", "Jane", Queue()), StoreResult::Done);
    EXPECT_EQ(Entries(m_current), Names{});
    EXPECT_EQ(Entries(otherSent), (Names{"Far.dat", "Far.txt", "Far.wav"}));
    EXPECT_EQ(ReadFileBytes(otherSent + "Far.wav"), "RIFFFar");

    m_queued.clear();
    EXPECT_EQ(store.Recover("Far"), StoreResult::Done);
    EXPECT_EQ(Entries(m_current), (Names{"Far.dat", "Far.txt", "Far.wav"}));
    EXPECT_EQ(store.LoadNotes(StoreFolder::Current, "Far"), "far notes");
    EXPECT_EQ(Entries(otherSent), Names{});
}
