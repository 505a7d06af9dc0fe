#include "FileOps.h"
#include "Profile.h"
#include "TempFolder.h"
#include "internal/IniDocument.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <vector>

TEST(IniDocument, SectionsAndKeysMatchWithoutRegardToCaseAndBlanks) {
    const IniDocument document = IniDocument::Parse("; a comment\n[Settings]\n  Number = 12 \r\nname=\"quoted\"\n"
                                                    "[other]\nnumber=99\n");
    EXPECT_EQ(document.Get("SETTINGS", "number"), "12");
    EXPECT_EQ(document.Get("settings", "NAME"), "quoted");
    EXPECT_EQ(document.Get("other", "Number"), "99");
    EXPECT_EQ(document.Get("settings", "; a comment"), std::nullopt);
    EXPECT_EQ(document.Get("missing", "number"), std::nullopt);
}

TEST(IniDocument, TheFirstOfDuplicateSectionsAndKeysWins) {
    const IniDocument document = IniDocument::Parse("[a]\nk=1\nk=2\n[A]\nk=3\n");
    EXPECT_EQ(document.Get("a", "k"), "1");
}

TEST(IniDocument, SetReplacesInPlaceAndKeepsCommentsAndOtherLines) {
    IniDocument document = IniDocument::Parse("; keep me\n[file]\nnumber=1\n\n[user]\nphone=5\n");
    document.Set("FILE", "Number", "2");
    document.Set("file", "date", "77");
    document.Set("new", "key", "v");
    EXPECT_EQ(document.Serialize(), "; keep me\n[file]\nNumber=2\ndate=77\n\n[user]\nphone=5\n[new]\nkey=v\n");
}

TEST(IniDocument, ALineBreakInAValueCannotStartAKeyOrSection) {
    IniDocument document;
    document.Set("file", "priority", "High\n[settings]\r\nnumber=1");
    const IniDocument reread = IniDocument::Parse(document.Serialize());
    EXPECT_EQ(reread.Get("file", "priority"), "High [settings]  number=1");
    EXPECT_EQ(reread.Get("settings", "number"), std::nullopt);
    EXPECT_EQ(reread.Get("file", "number"), std::nullopt);
}

TEST(IniDocument, NamesThatCannotReadBackAreRecognised) {
    EXPECT_TRUE(IniDocument::IsUsableSectionName("settings"));
    EXPECT_FALSE(IniDocument::IsUsableSectionName("a]b"));
    EXPECT_FALSE(IniDocument::IsUsableSectionName(""));
    EXPECT_FALSE(IniDocument::IsUsableKeyName("a=b"));
    EXPECT_FALSE(IniDocument::IsUsableKeyName("a\nb"));
    EXPECT_FALSE(IniDocument::IsUsableKeyName(";key"));
    EXPECT_FALSE(IniDocument::IsUsableKeyName(" key"));
}

TEST(Profile, MissingFileSectionOrKeyGivesTheDefault) {
    TempFolder folder;
    const std::string path = folder / "settings.ini";
    EXPECT_EQ(ProfileRead(path, "settings", "number", "1"), "1");
    folder.Write("settings.ini", "[settings]\nnumber=5\n");
    EXPECT_EQ(ProfileRead(path, "user", "number", "d"), "d");
    EXPECT_EQ(ProfileRead(path, "settings", "other", "d"), "d");
    EXPECT_EQ(ProfileRead(path, "Settings", "NUMBER", "d"), "5");
}

TEST(Profile, WritesAreSeenAtOnceAndReachTheDiskAtFlush) {
    TempFolder folder;
    const std::string path = folder / "record.dat";
    ASSERT_TRUE(ProfileWrite(path, "file", "number", "3"));
    EXPECT_EQ(ProfileRead(path, "file", "number", "0"), "3");
    EXPECT_FALSE(PathExists(path));
    ASSERT_TRUE(ProfileFlush(path));
    EXPECT_EQ(folder.Read("record.dat"), "[file]\nnumber=3\n");
}

TEST(Profile, AFlushWithNothingChangedWritesNothing) {
    TempFolder folder;
    const std::string path = folder.Write("record.dat", "[file]\nnumber=3\n");
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    ASSERT_TRUE(ProfileWrite(path, "file", "number", "3"));
    ASSERT_TRUE(ProfileFlush(path));
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);
}

TEST(Profile, AChangeByAnotherProgramIsNoticed) {
    TempFolder folder;
    const std::string path = folder.Write("settings.ini", "[settings]\nnumber=1\n");
    EXPECT_EQ(ProfileRead(path, "settings", "number", "0"), "1");
    folder.Write("settings.ini", "[settings]\nnumber=22\n");
    EXPECT_EQ(ProfileRead(path, "settings", "number", "0"), "22");
}

TEST(Profile, ReadsSeeAtMost258BytesAndNeverHalfACharacter) {
    TempFolder folder;
    const std::string path = folder / "long.ini";
    ASSERT_TRUE(ProfileWrite(path, "s", "ascii", std::string(300, 'x')));
    EXPECT_EQ(ProfileRead(path, "s", "ascii", ""), std::string(258, 'x'));
    // 257 ASCII bytes, then a two-byte character that would straddle the limit.
    ASSERT_TRUE(ProfileWrite(path, "s", "utf8", std::string(257, 'x') + "\xc3\xa9"));
    EXPECT_EQ(ProfileRead(path, "s", "utf8", ""), std::string(257, 'x'));
    EXPECT_EQ(ProfileRead(path, "s", "missing", std::string(259, 'd')), std::string(258, 'd'));
    ProfileForget(path);
}

TEST(Profile, AForgottenFileIsNotBroughtBackByALaterFlush) {
    TempFolder folder;
    const std::string path = folder / "deleted.dat";
    ASSERT_TRUE(ProfileWrite(path, "file", "number", "1"));
    ProfileForget(path);
    EXPECT_TRUE(ProfileFlushAll());
    EXPECT_FALSE(PathExists(path));
    EXPECT_EQ(ProfileRead(path, "file", "number", "0"), "0");
}

TEST(Profile, UnusableNamesAreRefused) {
    TempFolder folder;
    EXPECT_FALSE(ProfileWrite(folder / "a.ini", "bad]", "key", "v"));
    EXPECT_FALSE(ProfileWrite(folder / "a.ini", "s", "k=v", "v"));
    EXPECT_FALSE(ProfileWrite(folder / "a.ini", "s", "", "v"));
}

TEST(Profile, AFailedFlushIsReportedAndKeepsTheChangesForTheNextTry) {
    TempFolder folder;
    const std::string path = folder / "gone/record.dat";
    ASSERT_TRUE(ProfileWrite(path, "file", "priority", "High"));
    EXPECT_FALSE(ProfileFlush(path));
    EXPECT_EQ(ProfileRead(path, "file", "priority", "Normal"), "High");
    ASSERT_TRUE(MakeFolders(folder / "gone"));
    EXPECT_TRUE(ProfileFlush(path));
    EXPECT_EQ(folder.Read("gone/record.dat"), "[file]\npriority=High\n");
}

TEST(Profile, AnExistingFileKeepsItsModeWhenRewritten) {
    TempFolder folder;
    const std::string path = folder.Write("secret.ini", "[a]\nb=c\n");
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    ASSERT_TRUE(ProfileWrite(path, "a", "b", "d"));
    ASSERT_TRUE(ProfileFlush(path));
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

namespace {
std::string Numbered(char prefix, int i) { return std::string(1, prefix).append(std::to_string(i)); }
} // namespace

TEST(Profile, SingleKeyReadsAndWritesFromTwoThreadsLoseNothing) {
    TempFolder folder;
    const std::string path = folder / "settings.ini";
    constexpr int kWrites = 400;
    std::thread writer([&] {
        for (int i = 0; i < kWrites; ++i) {
            ASSERT_TRUE(ProfileWrite(path, "settings", Numbered('a', i), std::to_string(i)));
            if (i % 50 == 0) {
                ASSERT_TRUE(ProfileFlush(path));
            }
        }
    });
    std::thread other([&] {
        for (int i = 0; i < kWrites; ++i) {
            ASSERT_TRUE(ProfileWrite(path, "user", Numbered('b', i), std::to_string(i)));
            const std::string seen = ProfileRead(path, "settings", "a0", "");
            ASSERT_TRUE(seen.empty() || seen == "0");
        }
    });
    writer.join();
    other.join();
    ASSERT_TRUE(ProfileFlushAll());
    const IniDocument onDisk = IniDocument::Parse(folder.Read("settings.ini"));
    for (int i = 0; i < kWrites; ++i) {
        EXPECT_EQ(onDisk.Get("settings", Numbered('a', i)), std::to_string(i));
        EXPECT_EQ(onDisk.Get("user", Numbered('b', i)), std::to_string(i));
    }
}
