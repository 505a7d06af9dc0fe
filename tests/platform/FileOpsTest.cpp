#include "platform/FileOps.h"

#include "TempFolder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

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

} // namespace
