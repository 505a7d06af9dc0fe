#include "RecipientList.h"

#include "FileOps.h"
#include "IniValues.h"
#include "ReadOnlyView.h"
#include "SettingsKeys.h"
#include "TempFolder.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

class RecipientListTest : public ::testing::Test {
protected:
    // Recipients named by the letters of `names`, with the given default.
    void MakeRecipients(std::string_view names, int defaultIndex) {
        for (size_t i = 0; i < names.size(); ++i) {
            TypistRecipient recipient;
            recipient.SetText(RecipientField::Name, std::string(1, names[i]));
            ASSERT_TRUE(recipient.Save(m_list.Path(static_cast<int>(i))));
        }
        SetSettings(static_cast<int>(names.size()), defaultIndex);
    }
    void SetSettings(int count, int defaultIndex) {
        const std::string settings = m_folder / "settings.ini";
        ASSERT_TRUE(WriteIntValue(settings, SettingsKeys::kSendCount, count));
        ASSERT_TRUE(WriteIntValue(settings, SettingsKeys::kSendDefault, defaultIndex));
        ASSERT_TRUE(FlushProfile(settings));
    }
    // The names of the recipient files 0, 1, ... that exist, "-" for a missing one, up to `files` files.
    std::string Names(int files) const {
        std::string names;
        for (int i = 0; i < files; ++i)
            names += PathExists(m_list.Path(i)) ? m_list.Load(i).Name() : "-";
        return names;
    }

    TempFolder m_folder;
    RecipientList m_list{m_folder.Path(), m_folder / "settings.ini"};
};

} // namespace

TEST_F(RecipientListTest, WithoutSettingsThereAreNoRecipients) {
    EXPECT_EQ(m_list.Count(), 0);
    EXPECT_EQ(m_list.SendIndex(), 0);
    EXPECT_TRUE(m_list.DisplayTexts().empty());
}

TEST_F(RecipientListTest, TheDefaultIsUsedForSendsOnlyWhileItNamesARecipient) {
    MakeRecipients("abc", 2);
    EXPECT_EQ(m_list.SendIndex(), 2);
    EXPECT_EQ(m_list.DisplayTexts(), (std::vector<std::string>{"a ()", "b ()", "c DEFAULT ()"}));
    MakeRecipients("abc", 3);
    EXPECT_EQ(m_list.SendIndex(), 0);
    MakeRecipients("abc", -1);
    EXPECT_EQ(m_list.SendIndex(), 0);
}

TEST_F(RecipientListTest, AMissingRecipientFileGivesTheDefaultRecord) {
    MakeRecipients("ab", 0);
    ASSERT_TRUE(RemoveFile(m_list.Path(1)));
    EXPECT_EQ(m_list.Load(1).DisplayText(false), "Untitled ()");
}

TEST_F(RecipientListTest, DeletingOneOfThreeMovesTheLaterOneDown) {
    MakeRecipients("abc", 0);
    std::vector<int> told;
    EXPECT_EQ(m_list.Delete(1, [&](int deleted) { return told.push_back(deleted), true; }),
              RecipientDeleteResult::Deleted);
    EXPECT_EQ(Names(3), "ac-");
    EXPECT_EQ(m_list.Count(), 2);
    EXPECT_EQ(m_list.DefaultIndex(), 0);
    EXPECT_EQ(told, std::vector<int>{1});
    EXPECT_EQ(ListFolder(m_folder.Path())->size(), 3u) << "no held file is left behind";
}

TEST_F(RecipientListTest, TheDefaultFollowsItsRecipient) {
    MakeRecipients("abc", 2);
    ASSERT_EQ(m_list.Delete(0), RecipientDeleteResult::Deleted);
    EXPECT_EQ(m_list.DefaultIndex(), 1);
    EXPECT_EQ(m_list.Load(m_list.SendIndex()).Name(), "c");

    MakeRecipients("abc", 0);
    ASSERT_EQ(m_list.Delete(2), RecipientDeleteResult::Deleted);
    EXPECT_EQ(m_list.DefaultIndex(), 0);
    EXPECT_EQ(Names(3), "ab-");
}

TEST_F(RecipientListTest, DeletingTheDefaultMakesTheFirstRecipientTheDefault) {
    MakeRecipients("abc", 1);
    ASSERT_EQ(m_list.Delete(1), RecipientDeleteResult::Deleted);
    EXPECT_EQ(m_list.DefaultIndex(), 0);
    EXPECT_EQ(m_list.DisplayTexts(), (std::vector<std::string>{"a DEFAULT ()", "c ()"}));
}

TEST_F(RecipientListTest, ADefaultNamingNoRecipientIsLeftAlone) {
    MakeRecipients("abc", 3);
    ASSERT_EQ(m_list.Delete(0), RecipientDeleteResult::Deleted);
    EXPECT_EQ(m_list.DefaultIndex(), 3);
    EXPECT_EQ(m_list.SendIndex(), 0);
}

TEST_F(RecipientListTest, AnIndexNotCountedIsNotDeleted) {
    MakeRecipients("ab", 0);
    EXPECT_EQ(m_list.Delete(2), RecipientDeleteResult::NoSuchRecipient);
    EXPECT_EQ(m_list.Delete(-1), RecipientDeleteResult::NoSuchRecipient);
    EXPECT_EQ(Names(2), "ab");
    EXPECT_EQ(m_list.Count(), 2);
}

TEST_F(RecipientListTest, AGapMovesDownLikeARecipient) {
    MakeRecipients("abcd", 0);
    ASSERT_TRUE(RemoveFile(m_list.Path(2)));
    ASSERT_EQ(m_list.Delete(0), RecipientDeleteResult::Deleted);
    EXPECT_EQ(Names(4), "b-d-");
}

TEST_F(RecipientListTest, TheQueuesFailureToRenumberIsReported) {
    MakeRecipients("ab", 0);
    EXPECT_EQ(m_list.Delete(0, [](int) { return false; }), RecipientDeleteResult::QueueNotRenumbered);
    EXPECT_EQ(Names(2), "b-");
}

TEST_F(RecipientListTest, AFileThatCannotBeMovedStopsTheDeletionAndPutsEverythingBack) {
    // A mount point cannot be renamed: "Recipient 2.dat" is one, so the second move fails.
    MakeRecipients("ab", 1);
    const TempFolder elsewhere;
    ASSERT_TRUE(MakeFolders(m_list.Path(2)));
    SetSettings(3, 1);
    const ReadOnlyView mount(elsewhere.Path(), m_list.Path(2));
    if (!mount.Mounted())
        GTEST_SKIP() << "mounting is not permitted here";

    bool told = false;
    EXPECT_EQ(m_list.Delete(0, [&](int) { return told = true; }), RecipientDeleteResult::RenumberFailed);
    EXPECT_EQ(Names(2), "ab");
    EXPECT_TRUE(IsFolder(m_list.Path(2)));
    EXPECT_EQ(m_list.Count(), 3);
    EXPECT_EQ(m_list.DefaultIndex(), 1);
    EXPECT_FALSE(told);
    EXPECT_EQ(ListFolder(m_folder.Path())->size(), 4u) << "no held file is left behind";
}
