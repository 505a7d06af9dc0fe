// Store operations run as an unprivileged user, where file modes and sticky folders make real operations fail
// half-way (root ignores modes, so the tests run the probe through setpriv when they are root).
#include "StoreFixture.h"

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uid_t kNobody = 65534;

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

class StoreAsOtherUser : public StoreFixture {
protected:
    void SetUp() override {
        // The other user must reach the folders.
        ASSERT_EQ(::chmod(m_folder.Path().c_str(), 0755), 0);
    }

    // Runs the probe (as nobody when this process is root) and returns what it printed.
    std::string Probe(const std::vector<std::string>& arguments) {
        std::string command = ::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
        command += Quoted(STORE_PROBE);
        for (const std::string& argument : arguments)
            command += " " + Quoted(argument);
        FILE* pipe = ::popen(command.c_str(), "r");
        if (!pipe)
            return "<no probe>";
        std::string output;
        char chunk[256];
        while (const size_t got = std::fread(chunk, 1, sizeof chunk, pipe))
            output.append(chunk, got);
        const int status = ::pclose(pipe);
        return status == 0 ? output : output + "<exit " + std::to_string(status) + ">";
    }

    static void Own(const std::string& path, uid_t user) { ASSERT_EQ(::chown(path.c_str(), user, user), 0); }
};

} // namespace

TEST_F(StoreAsOtherUser, AFolderThatCannotBeListedKeepsItsRecords) {
    AddDictation(StoreFolder::Current, "Kept");
    m_folder.Write("Current Files/Stray.dat", "[file]\nnumber=3\n");
    // Writable and searchable, but not readable: its files can be reached and removed, not listed.
    ASSERT_EQ(::chmod(m_current.c_str(), 0333), 0);
    if (::geteuid() != 0 && ListFolder(m_current))
        GTEST_SKIP() << "this user lists any folder";
    EXPECT_EQ(Probe({"refresh", m_current, m_sent, m_settings}), "failed\n");
    ASSERT_EQ(::chmod(m_current.c_str(), 0777), 0);
    EXPECT_EQ(Entries(m_current), (Names{"Kept.dat", "Kept.wav", "Stray.dat"}));

    // Listed, the same folder loses its stray record.
    EXPECT_EQ(Probe({"refresh", m_current, m_sent, m_settings}), "Kept\n");
    EXPECT_EQ(Entries(m_current), (Names{"Kept.dat", "Kept.wav"}));
}

TEST_F(StoreAsOtherUser, ARenameThatFailsHalfWayIsRolledBack) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to hand files to another user";
    AddDictation(StoreFolder::Current, "Old", 1, "notes");
    // In a sticky folder only a file's owner may rename it: the wave goes, the notes (root's) cannot follow.
    ASSERT_EQ(::chmod(m_current.c_str(), 01777), 0);
    Own(m_current + "Old.wav", kNobody);
    Own(m_current + "Old.dat", kNobody);
    EXPECT_EQ(Probe({"rename", m_current, m_sent, m_settings, "Old", "New"}), "FileError\n");
    EXPECT_EQ(Entries(m_current), (Names{"Old.dat", "Old.txt", "Old.wav"}));
    EXPECT_EQ(m_folder.Read("Current Files/Old.wav"), "RIFFOld");
}

TEST_F(StoreAsOtherUser, ASendThatFailsHalfWayLeavesTheDictationWholeInCurrentFiles) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to hand files to another user";
    AddDictation(StoreFolder::Current, "Memo", 4, "notes");
    ASSERT_EQ(::chmod(m_current.c_str(), 01777), 0);
    ASSERT_EQ(::chmod(m_sent.c_str(), 0777), 0);
    Own(m_current + "Memo.wav", kNobody);
    Own(m_current + "Memo.dat", kNobody);
    EXPECT_EQ(Probe({"send", m_current, m_sent, m_settings, "Memo"}), "FileError\n");
    EXPECT_EQ(Entries(m_current), (Names{"Memo.dat", "Memo.txt", "Memo.wav"}));
    EXPECT_EQ(Entries(m_sent), Names{});
    EXPECT_EQ(m_folder.Read("Current Files/Memo.wav"), "RIFFMemo");
    EXPECT_EQ(m_store.LoadNotes(StoreFolder::Current, "Memo"), "notes");

    // With the notes its own, the same user sends it.
    Own(m_current + "Memo.txt", kNobody);
    EXPECT_EQ(Probe({"send", m_current, m_sent, m_settings, "Memo"}), "Done\n");
    EXPECT_EQ(Entries(m_sent), (Names{"Memo.dat", "Memo.txt", "Memo.wav"}));
}
