#include "SecretFile.h"

#include "TempFolder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

mode_t ModeOf(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? (status.st_mode & 07777) : 0;
}

} // namespace

TEST(SecretFile, ANewSecretFileIsForItsOwnerOnlyAndReadsBack) {
    TempFolder folder;
    ASSERT_TRUE(WriteSecretFile(folder / "ftp.secret", "pa ss\nword"));
    EXPECT_EQ(ModeOf(folder / "ftp.secret"), 0600u);
    EXPECT_EQ(ReadSecretFile(folder / "ftp.secret"), "pa ss\nword");
}

TEST(SecretFile, AnExistingFileReadableByOthersIsNarrowedBeforeTheSecretGoesIn) {
    TempFolder folder;
    const std::string path = folder.Write("mail.secret", "old");
    ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
    ASSERT_TRUE(WriteSecretFile(path, "new"));
    EXPECT_EQ(ModeOf(path), 0600u);
    EXPECT_EQ(ReadSecretFile(path), "new");
}

TEST(SecretFile, AMissingFileHasNoSecretAndAMissingFolderTakesNone) {
    TempFolder folder;
    EXPECT_FALSE(ReadSecretFile(folder / "none.secret"));
    EXPECT_FALSE(WriteSecretFile(folder / "missing/none.secret", "x"));
}
