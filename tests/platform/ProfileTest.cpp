#include "platform/Profile.h"

#include "TempFolder.h"
#include "platform/FileOps.h"
#include "platform/internal/IniDocument.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

namespace {

TEST(IniDocument, SectionsAndKeysMatchWithoutRegardToCaseAndBlanksAndTheFirstOfDuplicatesWins) {
    const IniDocument document = IniDocument::Parse("; a comment\n[Settings]\n  Number = 12 \r\nname=\"quoted\"\n"
                                                    "[other]\nnumber=99\nnumber=98\n[OTHER]\nnumber=97\n");
    EXPECT_EQ(document.Get("SETTINGS", "number"), "12");
    EXPECT_EQ(document.Get("settings", "NAME"), "quoted");
    EXPECT_EQ(document.Get("other", "Number"), "99");
    EXPECT_EQ(document.Get("settings", "; a comment"), std::nullopt);
    EXPECT_EQ(document.Get("missing", "number"), std::nullopt);
}

TEST(IniDocument, SetReplacesInPlaceKeepsOtherLinesAndNoValueCanStartAKeyOrSection) {
    IniDocument document = IniDocument::Parse("; keep me\n[file]\nnumber=1\n\n[user]\nphone=5\n");
    document.Set("FILE", "Number", "2");
    document.Set("file", "date", "77");
    document.Set("new", "key", "v");
    EXPECT_EQ(document.Serialize(), "; keep me\n[file]\nNumber=2\ndate=77\n\n[user]\nphone=5\n[new]\nkey=v\n");

    document.Set("file", "priority", "High\n[settings]\r\nnumber=1");
    const IniDocument reread = IniDocument::Parse(document.Serialize());
    EXPECT_EQ(reread.Get("file", "priority"), "High [settings]  number=1");
    EXPECT_EQ(reread.Get("settings", "number"), std::nullopt);
    for (const char* name : {"a]b", ""})
        EXPECT_FALSE(IniDocument::IsUsableSectionName(name)) << name;
    for (const char* name : {"a=b", "a\nb", ";key", " key"})
        EXPECT_FALSE(IniDocument::IsUsableKeyName(name)) << name;
    EXPECT_TRUE(IniDocument::IsUsableSectionName("settings"));
}

class Profile : public ::testing::Test {
protected:
    TempFolder m_folder;
    const std::string m_path = m_folder / "settings.ini";
};

TEST_F(Profile, MissingFileSectionOrKeyGivesTheDefaultAndAChangeByAnotherProgramIsNoticed) {
    EXPECT_EQ(ProfileRead(m_path, "settings", "number", "1"), "1");
    m_folder.Write("settings.ini", "[settings]\nnumber=5\n");
    EXPECT_EQ(ProfileRead(m_path, "user", "number", "d"), "d");
    EXPECT_EQ(ProfileRead(m_path, "settings", "other", "d"), "d");
    EXPECT_EQ(ProfileRead(m_path, "Settings", "NUMBER", "d"), "5");
    m_folder.Write("settings.ini", "[settings]\nnumber=22\n");
    EXPECT_EQ(ProfileRead(m_path, "settings", "number", "0"), "22");
}

TEST_F(Profile, WritesAreSeenAtOnceReachTheDiskAtFlushKeepingTheFilesModeAndAnUnchangedFileIsNotRewritten) {
    ASSERT_TRUE(ProfileWrite(m_path, "file", "number", "3"));
    EXPECT_EQ(ProfileRead(m_path, "file", "number", "0"), "3");
    EXPECT_FALSE(PathExists(m_path));
    ASSERT_TRUE(ProfileFlush(m_path));
    EXPECT_EQ(m_folder.Read("settings.ini"), "[file]\nnumber=3\n");

    ASSERT_EQ(::chmod(m_path.c_str(), 0600), 0);
    ASSERT_TRUE(ProfileWrite(m_path, "file", "number", "4") && ProfileFlush(m_path));
    struct stat before {
    }, after{};
    ASSERT_EQ(::stat(m_path.c_str(), &before), 0);
    EXPECT_EQ(before.st_mode & 0777, 0600u);
    ASSERT_TRUE(ProfileWrite(m_path, "file", "number", "4") && ProfileFlush(m_path));
    ASSERT_EQ(::stat(m_path.c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);
}

TEST_F(Profile, ReadsSeeAtMost258BytesAndNeverHalfACharacter) {
    ASSERT_TRUE(ProfileWrite(m_path, "s", "ascii", std::string(300, 'x')));
    EXPECT_EQ(ProfileRead(m_path, "s", "ascii", ""), std::string(258, 'x'));
    // 257 ASCII bytes, then a two-byte character that would straddle the limit.
    ASSERT_TRUE(ProfileWrite(m_path, "s", "utf8", std::string(257, 'x') + "\xc3\xa9"));
    EXPECT_EQ(ProfileRead(m_path, "s", "utf8", ""), std::string(257, 'x'));
    EXPECT_EQ(ProfileRead(m_path, "s", "missing", std::string(259, 'd')), std::string(258, 'd'));
    ProfileForget(m_path);
}

TEST_F(Profile, AForgottenFileIsNotBroughtBackByALaterFlushAndUnusableNamesAreRefused) {
    ASSERT_TRUE(ProfileWrite(m_path, "file", "number", "1"));
    ProfileForget(m_path);
    EXPECT_TRUE(ProfileFlushAll());
    EXPECT_FALSE(PathExists(m_path));
    EXPECT_EQ(ProfileRead(m_path, "file", "number", "0"), "0");
    EXPECT_FALSE(ProfileWrite(m_path, "bad]", "key", "v"));
    EXPECT_FALSE(ProfileWrite(m_path, "s", "k=v", "v"));
    EXPECT_FALSE(ProfileWrite(m_path, "s", "", "v"));
}

TEST_F(Profile, AFailedFlushIsReportedAndKeepsTheChangesForTheNextTry) {
    const std::string path = m_folder / "gone/record.dat";
    ASSERT_TRUE(ProfileWrite(path, "file", "priority", "High"));
    EXPECT_FALSE(ProfileFlush(path));
    EXPECT_EQ(ProfileRead(path, "file", "priority", "Normal"), "High");
    ASSERT_TRUE(MakeFolders(m_folder / "gone"));
    EXPECT_TRUE(ProfileFlush(path));
    EXPECT_EQ(m_folder.Read("gone/record.dat"), "[file]\npriority=High\n");
}

TEST_F(Profile, SingleKeyReadsAndWritesFromTwoThreadsLoseNothing) {
    constexpr int kWrites = 400;
    const auto key = [](char prefix, int i) { return prefix + std::to_string(i); };
    std::thread writer([&] {
        for (int i = 0; i < kWrites; ++i) {
            ASSERT_TRUE(ProfileWrite(m_path, "settings", key('a', i), std::to_string(i)));
            ASSERT_TRUE(i % 50 != 0 || ProfileFlush(m_path));
        }
    });
    std::thread other([&] {
        for (int i = 0; i < kWrites; ++i) {
            ASSERT_TRUE(ProfileWrite(m_path, "user", key('b', i), std::to_string(i)));
            const std::string seen = ProfileRead(m_path, "settings", "a0", "");
            ASSERT_TRUE(seen.empty() || seen == "0");
        }
    });
    writer.join();
    other.join();
    ASSERT_TRUE(ProfileFlushAll());
    const IniDocument onDisk = IniDocument::Parse(m_folder.Read("settings.ini"));
    for (int i = 0; i < kWrites; ++i) {
        EXPECT_EQ(onDisk.Get("settings", key('a', i)), std::to_string(i));
        EXPECT_EQ(onDisk.Get("user", key('b', i)), std::to_string(i));
    }
}

} // namespace
