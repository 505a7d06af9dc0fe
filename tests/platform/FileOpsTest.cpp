#include "platform/FileOps.h"

#include "TempFolder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

TEST(FileOps, AnAtomicRewriteReplacesTheWholeFileLeavesNoTemporaryAndNeedsItsFolder) {
    TempFolder folder;
    const std::string path = folder.Write("notes.txt", "old text that is longer");
    ASSERT_TRUE(WriteFileAtomically(path, "new"));
    EXPECT_EQ(folder.Read("notes.txt"), "new");
    EXPECT_EQ(ListFolder(folder.Path()), std::vector<std::string>{"notes.txt"});
    EXPECT_FALSE(WriteFileAtomically(folder / "missing/notes.txt", "x"));
    EXPECT_FALSE(PathExists(folder / "missing"));
}

TEST(FileOps, RenameNeverReplacesAnExistingFile) {
    TempFolder folder;
    folder.Write("a.wav", "A");
    folder.Write("b.wav", "B");
    EXPECT_EQ(RenameNoReplace(folder / "a.wav", folder / "b.wav"), RenameResult::TargetExists);
    EXPECT_EQ(folder.Read("a.wav"), "A");
    EXPECT_EQ(folder.Read("b.wav"), "B");
    EXPECT_EQ(RenameNoReplace(folder / "a.wav", folder / "c.wav"), RenameResult::Renamed);
    EXPECT_EQ(folder.Read("c.wav"), "A");
    EXPECT_EQ(RenameNoReplace(folder / "a.wav", folder / "d.wav"), RenameResult::SourceMissing);
}

TEST(FileOps, MissingFilesAndFoldersFailRatherThanLookEmptyAndReadsStopAtTheLimit) {
    TempFolder folder;
    EXPECT_FALSE(ListFolder(folder / "missing"));
    EXPECT_EQ(ListFolder(folder.Path()), std::vector<std::string>{});
    EXPECT_FALSE(ReadFileBytes(folder / "none"));
    EXPECT_TRUE(RemoveFile(folder / "none"));
    folder.Write("big", std::string(100000, 'z'));
    EXPECT_EQ(ReadFileBytes(folder / "big", 70000)->size(), 70000u);
    EXPECT_EQ(ReadFileBytes(folder / "big")->size(), 100000u);
}

TEST(FileOps, FoldersAreMadeWithTheirParentsAndPathsJoinWithOneSlash) {
    TempFolder folder;
    EXPECT_TRUE(MakeFolders(folder / "a/b/c/"));
    EXPECT_TRUE(IsFolder(JoinPath(folder / "a/", "b/c")));
    EXPECT_EQ(JoinPath("x", "y"), "x/y");
}

TEST(FileOps, ANewFilesModeFollowsTheProcessUmaskWithoutChangingIt) {
    const mode_t mask = ::umask(0); // single-threaded here: reading it the intrusive way is safe in a test
    ::umask(mask);
    EXPECT_EQ(ModeUnderUmask(0666), 0666 & ~mask);
    EXPECT_EQ(ModeUnderUmask(0600), 0600 & ~mask);
    const mode_t after = ::umask(0);
    ::umask(after);
    EXPECT_EQ(after, mask);
}

} // namespace
