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

} // namespace
