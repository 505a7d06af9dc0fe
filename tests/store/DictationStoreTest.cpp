// The dictation store: listing, notes, renames, deletes, sends, purges, recovery, and failures half-way.
#include "store/DictationStore.h"

#include "TempFolder.h"
#include "platform/FileOps.h"
#include "store/DictationName.h"
#include "store/IniValues.h"
#include "store/RecordKeys.h"
#include "store/SettingsKeys.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

inline void PrintTo(StoreResult result, std::ostream* out) {
    *out << StoreResultName(result);
}

namespace {

using enum StoreFolder;
using enum StoreResult;

// A data folder with "Current Files/", "Sent Files/" and "settings.ini", a store over it with a clock the test
// sets and a send queue the test fills, and helpers that lay out dictations.
class DictationStoreTest : public ::testing::Test {
protected:
    using Names = std::vector<std::string>;
    static constexpr int64_t kNow = 1764925620; // 5 December 2025 09:07 UTC
    static constexpr int64_t kDay = 86400;

    StoreServices Services() {
        return {{}, [this](const std::string& path) { return m_queued.contains(path); }, [this] { return m_now; }};
    }
    // A queue that takes every path and remembers it.
    EnqueueFunction Queue() {
        return [this](const std::string& path) { return m_queued.insert(path), m_enqueued.push_back(path), true; };
    }
    StoreResult Send(const std::string& name) { return m_store.MoveToSent(name, "Jane (typing pool)", Queue()); }

    // A dictation's files: the wave always, the record with its number (and `more` of it), the notes when given.
    void Add(StoreFolder folder, const std::string& name, int32_t number = 1, const char* notes = nullptr,
             const std::string& more = "") {
        const std::string path = (folder == Current ? "Current Files/" : "Sent Files/") + name;
        m_folder.Write(path + ".wav", "RIFF" + name);
        m_folder.Write(path + ".dat", "[file]\nnumber=" + std::to_string(number) + "\n" + more);
        if (notes)
            m_folder.Write(path + ".txt", notes + std::string(1, '\0'));
    }
    // A dictation of "Sent Files/" sent `age` seconds before now.
    void AddSent(const std::string& name, int64_t age) {
        Add(Sent, name, 1, "notes", "senddate=" + std::to_string(m_now - age) + "\n");
    }
    // The entries of a folder, sorted by their bytes.
    static Names Entries(const std::string& folder) {
        Names entries = ListFolder(folder).value_or(Names{"<unlistable>"});
        std::sort(entries.begin(), entries.end());
        return entries;
    }
    static Names Files(const std::string& name, bool notes = true) {
        return notes ? Names{name + ".dat", name + ".txt", name + ".wav"} : Names{name + ".dat", name + ".wav"};
    }

    TempFolder m_folder;
    std::string m_current = m_folder / "Current Files/";
    std::string m_sent = m_folder / "Sent Files/";
    std::string m_settings = m_folder / "settings.ini";
    bool m_made = MakeFolders(m_current) && MakeFolders(m_sent);
    int64_t m_now = kNow;
    std::set<std::string> m_queued;
    Names m_enqueued;
    DictationStore m_store{m_current, m_sent, m_settings, Services()};
};

TEST_F(DictationStoreTest, ARefreshListsVisibleWavesWithoutRegardToCaseAndRemovesRecordsAndNotesWithoutAudio) {
    for (const char* name : {"Dictation 2", "Dictation 10", "letter", "Memo"})
        Add(Current, name, 1, "notes");
    for (const char* other : {".insert.wav", "Loud.WAV", ".Ghost.dat", "Ghost.doc", "Ghost.wav.doc", "MEMO.txt"})
        m_folder.Write(std::string("Current Files/") + other, "not a dictation's, or one's in another case");
    m_folder.Write("Current Files/Ghost.dat", "[file]\nnumber=9\n"); // no priority or notes of the user's
    m_folder.Write("Current Files/Ghost.txt", std::string(1, '\0'));
    m_folder.Write("Current Files/Typed.txt", std::string("notes typed before recording\0", 29)); // stays
    EXPECT_EQ(m_store.Refresh(), (Names{"Dictation 10", "Dictation 2", "letter", "Memo", "Typed"}));
    EXPECT_EQ(Entries(m_current).size(), 4 * 3 + 7u) << "all but the ghost's record and notes stay";
}

TEST_F(DictationStoreTest, FoldersThatCannotBeListedAreFailuresNotEmptyListsAndTakeNoNumber) {
    ASSERT_TRUE(WriteIntValue(m_settings, SettingsKeys::kNumber, 4));
    DictationStore noCurrent(m_folder / "gone/", m_sent, m_settings);
    DictationStore noSent(m_current, m_folder / "gone/", m_settings);
    EXPECT_FALSE(noCurrent.List());
    EXPECT_FALSE(noCurrent.Refresh());
    EXPECT_EQ(noCurrent.Create().result, FileError);
    EXPECT_EQ(ReadIntValue(m_settings, SettingsKeys::kNumber), 4);
    EXPECT_FALSE(noSent.ListSent());
    EXPECT_EQ(noSent.PurgeSent(), std::nullopt);
    EXPECT_EQ(m_store.List(), Names{});
}

TEST_F(DictationStoreTest, SavingDetailsCutsThePriorityAndReplacesOnlyChangedNotesThatFit) {
    Add(Current, "Memo", 3, "first notes");
    EXPECT_EQ(m_store.SaveDetails("Memo", "High"), Done);
    EXPECT_EQ(m_folder.Read("Current Files/Memo.dat"), "[file]\nnumber=3\npriority=High\n");
    EXPECT_EQ(m_folder.Read("Current Files/Memo.txt"), std::string("first notes\0", 12));
    EXPECT_EQ(m_store.SaveDetails("Memo", "Low", std::string("Line one\r\n\0two", 14)), Done);
    EXPECT_EQ(m_folder.Read("Current Files/Memo.txt"), std::string("Line one\r\n two\0", 15));
    // Notes are never cut: too long, they are refused while the priority is saved.
    EXPECT_EQ(m_store.SaveDetails("Memo", "Priority very highü", std::string(kNotesLimit + 1, 'n')), NotesTooLong);
    EXPECT_EQ(m_store.ReadRecord(Current, "Memo").priority, "Priority very high"); // 'ü' is 19, 20
    EXPECT_EQ(m_store.LoadNotes(Current, "Memo"), "Line one\r\n two");
    EXPECT_EQ(m_store.SaveDetails("Memo", "Normal", ""), Done);
    EXPECT_EQ(m_folder.Read("Current Files/Memo.txt"), std::string(1, '\0'));
    EXPECT_EQ(Entries(m_current), Files("Memo")); // no temporary left behind
}

TEST_F(DictationStoreTest, NotesLoadUpToTheLimitAndTheFirstZeroByteAndUnreadableOnesAreNotEmpty) {
    const std::string c(kNotesLimit - 1, 'c'); // with a letter across the limit, which is dropped, not cut
    const std::tuple<const char*, std::string, std::string> cases[] = {
        {"Empty", "", ""},
        {"Ended", std::string("text\0garbage", 12), "text"},
        {"Big", std::string(40000, 'b'), std::string(kNotesLimit, 'b')},
        {"Cut", c + "ü", c}};
    for (const auto& [name, bytes, notes] : cases) {
        m_folder.Write(std::string("Current Files/") + name + ".txt", bytes);
        EXPECT_EQ(m_store.LoadNotes(Current, name), notes) << name;
    }
    EXPECT_EQ(m_store.LoadNotes(Current, "None"), "");
    ASSERT_TRUE(MakeFolders(m_current + "Odd.txt")); // a folder where the notes should be
    EXPECT_EQ(m_store.LoadNotes(Current, "Odd"), std::nullopt);
}

TEST_F(DictationStoreTest, RenamesAndDeletesMoveOrRemoveAllThreeFilesAndRenamesAreRefusedWhenUnusableOrTaken) {
    Add(Current, "First", 1, "first notes");
    Add(Current, "Second", 2, "second notes");
    m_folder.Write("Current Files/Third.txt", "stray notes"); // notes alone take the name
    const std::string tooLong(300, 'x');
    const std::tuple<const char*, std::string, StoreResult> cases[] = {
        {"First", "Second", NameTaken},    {"First", "SECOND", NameTaken},  {"First", "third", NameTaken},
        {"First", " . ", NameEmpty},       {"First", tooLong, NameTooLong}, {"First", "Caf\xe9", NameInvalid},
        {"Nothing", "Something", NotFound}};
    for (const auto& [from, to, result] : cases)
        EXPECT_EQ(m_store.Rename(from, to).result, result) << to;
    EXPECT_EQ(Entries(m_current).size(), 7u);
    EXPECT_EQ(m_folder.Read("Current Files/Third.txt"), "stray notes");
    EXPECT_EQ(m_store.LoadNotes(Current, "Second"), "second notes");
    // A usable name is cleaned and all three files move, even for a change of case only.
    EXPECT_EQ(m_store.Rename("First", "a:b*c.d").name, "a b c d");
    EXPECT_EQ(m_store.ReadRecord(Current, "a b c d").number, 1);
    EXPECT_EQ(m_folder.Read("Current Files/a b c d.wav"), "RIFFFirst");
    EXPECT_EQ(m_store.Rename("a b c d", "A B C D").result, Done);
    EXPECT_EQ(m_store.Rename("A B C D", "A B C D").result, Done); // unchanged: nothing to do
    EXPECT_EQ(Entries(m_current), (Names{"A B C D.dat", "A B C D.txt", "A B C D.wav", "Second.dat", "Second.txt",
                                         "Second.wav", "Third.txt"}));
    // A delete removes all three files for good, a cached record write with them, and nothing else.
    ASSERT_TRUE(WriteStringValue(m_store.RecordPath(Current, "A B C D"), RecordKeys::kPriority, "Low"));
    EXPECT_EQ(m_store.Delete("A B C D"), Done);
    EXPECT_TRUE(FlushProfile(m_store.RecordPath(Current, "A B C D")));
    EXPECT_EQ(Entries(m_current), (Names{"Second.dat", "Second.txt", "Second.wav", "Third.txt"}));
    EXPECT_EQ(m_store.Delete("A B C D"), Done); // nothing left is the same outcome
}

TEST_F(DictationStoreTest, ARefusedSendLeavesTheDictationWholeInCurrentFilesAndAnEarlierOneOfItsNameInSentFiles) {
    const std::string letter(NameLimit(m_sent), 'l'); // no "<name> (2)" fits beside the one sent
    AddSent(letter, kDay);
    Add(Current, letter, 2, "new notes");
    EXPECT_EQ(Send(letter), SentNameTaken);
    Add(Current, "Memo", 3, "notes");
    AddSent("MEMO", kDay); // moved aside for the send, and back when the queue refuses it
    std::string offered;
    const auto refuse = [&](const std::string& path) { return offered = path, !PathExists(path); };
    EXPECT_EQ(m_store.MoveToSent("Memo", "Jane", refuse), QueueFailed);
    EXPECT_EQ(offered, m_sent + "Memo.wav"); // the queue saw the moved wave
    const std::string deepSent = m_folder / (std::string(150, 's') + "/");
    ASSERT_TRUE(MakeFolders(deepSent));
    const std::string name(120, 'n'); // fits "Current Files/", not the deep folder
    Add(Current, name, 4, "notes");
    EXPECT_EQ(DictationStore(m_current, deepSent, m_settings).MoveToSent(name, "Jane", Queue()), NameTooLong);
    EXPECT_TRUE(m_enqueued.empty());
    EXPECT_EQ(Entries(m_current).size(), 9u);
    EXPECT_EQ(m_store.ReadRecord(Current, "Memo").number, 3);
    EXPECT_EQ(Entries(m_sent).size(), 6u);
    EXPECT_EQ(m_folder.Read("Sent Files/MEMO.wav"), "RIFFMEMO");
}

TEST_F(DictationStoreTest, SendingPurgesWhatWasSent2000UnitsAgoUnlessItIsQueuedOrUndated) {
    AddSent("Nine days", 9 * kDay);
    AddSent("Eleven days", 11 * kDay);
    AddSent("At the limit", 858993); // 2000 × 429.4967296 s = 858993.46 s
    AddSent("Past the limit", 858994);
    AddSent("Queued", 20 * kDay);
    m_queued.insert(m_sent + "Queued.wav");
    Add(Sent, "Never stamped");
    AddSent("From the future", -kDay);
    m_folder.Write("Sent Files/Zero.dat", "[file]\nsenddate=0\n");
    m_folder.Write("Sent Files/Zero.wav", "RIFF");
    // Packages go by the age of their file; other files stay.
    const std::pair<const char*, int64_t> files[] = {
        {"dct00042-00017.dct", 11}, {"dct00042-00018.dct", 9}, {"notes.doc", 50}, {".Letter.wav.abc123", 50}};
    for (const auto& [file, age] : files) {
        const timespec times[2] = {{m_now - age * kDay, 0}, {m_now - age * kDay, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, m_folder.Write(std::string("Sent Files/") + file, "x").c_str(), times, 0), 0);
    }
    Add(Current, "Today");
    EXPECT_EQ(Send("Today"), Done);
    EXPECT_EQ(m_store.ListSent(),
              (Names{"At the limit", "From the future", "Never stamped", "Nine days", "Queued", "Today", "Zero"}));
    EXPECT_TRUE(PathExists(m_sent + "Queued.txt"));
    EXPECT_FALSE(PathExists(m_sent + "Eleven days.txt") || PathExists(m_sent + "dct00042-00017.dct"));
    for (const char* kept : {"dct00042-00018.dct", "notes.doc", ".Letter.wav.abc123"})
        EXPECT_TRUE(PathExists(m_sent + kept)) << kept;
    AddSent("Old", 30 * kDay);
    EXPECT_EQ(m_store.PurgeSent(), 1u);
}

TEST_F(DictationStoreTest, SendingAndRecoveringWorkAcrossFileSystems) {
    const char* const tmp = std::getenv("TMPDIR");
    const std::string saved = tmp ? tmp : "";
    ::setenv("TMPDIR", "/dev/shm", 1);
    const TempFolder other;
    tmp ? ::setenv("TMPDIR", saved.c_str(), 1) : ::unsetenv("TMPDIR");
    struct stat shm {};
    struct stat here {};
    if (::stat(other.Path().c_str(), &shm) != 0 || ::stat(m_current.c_str(), &here) != 0 || shm.st_dev == here.st_dev)
        GTEST_SKIP() << "no second file system at /dev/shm";
    DictationStore store(m_current, other.Path(), m_settings, Services());
    Add(Current, "Far", 6, "far notes");
    EXPECT_EQ(store.MoveToSent("Far", "Jane", Queue()), Done);
    EXPECT_EQ(Entries(other.Path()), Files("Far"));
    EXPECT_EQ(ReadFileBytes(other.Path() + "Far.wav"), "RIFFFar");
    m_queued.clear();
    EXPECT_EQ(store.Recover("Far"), Done);
    EXPECT_EQ(Entries(m_current), Files("Far"));
    EXPECT_EQ(store.LoadNotes(Current, "Far"), "far notes");
    EXPECT_EQ(Entries(other.Path()), Names{});
}

// Operations run by an unprivileged user, where file modes and sticky folders make them fail half-way: in a
// child process that becomes nobody when the test runs as root (which ignores file modes).
class StoreAsOtherUser : public DictationStoreTest {
protected:
    static constexpr int kListFailed = 100;

    void SetUp() override { ASSERT_EQ(::chmod(m_folder.Path().c_str(), 0755), 0); } // the other user must reach it

    // The exit code of `operation` on a fresh store, run by the other user.
    int AsOtherUser(const std::function<int(DictationStore&)>& operation) {
        const pid_t child = ::fork();
        if (child == 0) {
            DictationStore store(m_current, m_sent, m_settings);
            const bool dropped =
                ::geteuid() != 0 || (::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0);
            ::_exit(dropped ? operation(store) : 99);
        }
        int status = 0;
        return ::waitpid(child, &status, 0) == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    static int Refresh(DictationStore& store) {
        const auto names = store.Refresh();
        return names ? static_cast<int>(names->size()) : kListFailed;
    }
    static int Send(DictationStore& store) {
        return static_cast<int>(store.MoveToSent("Memo", "Typist", [](const std::string&) { return true; }));
    }
};

TEST_F(StoreAsOtherUser, AFolderThatCannotBeListedKeepsItsRecords) {
    Add(Current, "Kept");
    m_folder.Write("Current Files/Stray.dat", "[file]\nnumber=3\n");
    // Writable and searchable, but not readable: its files can be reached and removed, not listed.
    ASSERT_EQ(::chmod(m_current.c_str(), 0333), 0);
    if (::geteuid() != 0 && ListFolder(m_current))
        GTEST_SKIP() << "this user lists any folder";
    EXPECT_EQ(AsOtherUser(Refresh), kListFailed);
    ASSERT_EQ(::chmod(m_current.c_str(), 0777), 0);
    EXPECT_EQ(Entries(m_current), (Names{"Kept.dat", "Kept.wav", "Stray.dat"}));
    EXPECT_EQ(AsOtherUser(Refresh), 1); // listed, the same folder loses its stray record
    EXPECT_EQ(Entries(m_current), Files("Kept", false));
}

TEST_F(StoreAsOtherUser, ARenameOrSendThatFailsHalfWayIsRolledBack) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to hand files to another user";
    // In a sticky folder only a file's owner may rename it: the wave goes, the notes (root's) cannot follow.
    Add(Current, "Memo", 4, "notes");
    ASSERT_EQ(::chmod(m_current.c_str(), 01777), 0);
    ASSERT_EQ(::chmod(m_sent.c_str(), 0777), 0);
    for (const char* extension : {".wav", ".dat"})
        ASSERT_EQ(::chown((m_current + "Memo" + extension).c_str(), 65534, 65534), 0);
    const auto rename = [](DictationStore& store) { return static_cast<int>(store.Rename("Memo", "New").result); };
    EXPECT_EQ(AsOtherUser(rename), static_cast<int>(FileError));
    EXPECT_EQ(AsOtherUser(Send), static_cast<int>(FileError));
    EXPECT_EQ(Entries(m_current), Files("Memo"));
    EXPECT_EQ(Entries(m_sent), Names{});
    EXPECT_EQ(m_folder.Read("Current Files/Memo.wav"), "RIFFMemo");
    EXPECT_EQ(m_store.LoadNotes(Current, "Memo"), "notes");
    ASSERT_EQ(::chown((m_current + "Memo.txt").c_str(), 65534, 65534), 0); // its own notes: the user sends it
    EXPECT_EQ(AsOtherUser(Send), static_cast<int>(Done));
    EXPECT_EQ(Entries(m_sent), Files("Memo"));
}

} // namespace
