// The recipient list: the recipient of a send, and deleting one with the renumbering of those after it.
#include "send/RecipientList.h"

#include "ReadOnlyView.h"
#include "TempFolder.h"
#include "platform/FileOps.h"
#include "store/IniValues.h"
#include "store/SettingsKeys.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

class RecipientListTest : public ::testing::Test {
protected:
    // Recipients named by the letters of `names` ('-': no file), with "sendcount" covering them all.
    void MakeRecipients(std::string_view names, int defaultIndex) {
        for (size_t i = 0; i < names.size(); ++i) {
            TypistRecipient recipient;
            recipient.SetText(RecipientField::Name, std::string(1, names[i]));
            ASSERT_TRUE(names[i] == '-' || recipient.Save(m_list.Path(static_cast<int>(i))));
        }
        ASSERT_TRUE(WriteIntValue(m_settings, SettingsKeys::kSendCount, static_cast<int>(names.size())));
        ASSERT_TRUE(WriteIntValue(m_settings, SettingsKeys::kSendDefault, defaultIndex));
        ASSERT_TRUE(FlushProfile(m_settings));
    }
    // The names of the recipient files 0, 1, ..., "-" for a missing one, for as many as `files`.
    std::string Names(size_t files) const {
        std::string names;
        for (int i = 0; i < static_cast<int>(files); ++i)
            names += PathExists(m_list.Path(i)) ? m_list.Load(i).Name() : "-";
        return names;
    }

    TempFolder m_folder;
    std::string m_settings = m_folder / "settings.ini";
    RecipientList m_list{m_folder.Path(), m_settings};
};

TEST_F(RecipientListTest, DeletingMovesTheLaterFilesDownAndTheDefaultWithItsRecipient) {
    // Recipients before, the default, the one deleted, the outcome, recipients after ('-': no file), the default.
    // Deleting the default makes the first one the default; a default naming no recipient is left alone; a gap
    // moves down like a recipient.
    using enum RecipientDeleteResult;
    const std::tuple<std::string, int, int, RecipientDeleteResult, std::string, int> cases[] = {
        {"abc", 0, 1, Deleted, "ac-", 0},       {"abc", 2, 0, Deleted, "bc-", 1},
        {"abc", 0, 2, Deleted, "ab-", 0},       {"abc", 1, 1, Deleted, "ac-", 0},
        {"abc", 3, 0, Deleted, "bc-", 3},       {"ab-d", 0, 0, Deleted, "b-d-", 0},
        {"ab", 0, 2, NoSuchRecipient, "ab", 0}, {"ab", 0, -1, NoSuchRecipient, "ab", 0}};
    for (const auto& [names, defaultIndex, deleted, result, namesAfter, defaultAfter] : cases) {
        SCOPED_TRACE(names + " without " + std::to_string(deleted));
        const TempFolder folder;
        m_list = RecipientList(folder.Path(), m_settings);
        MakeRecipients(names, defaultIndex);
        std::vector<int> told;
        EXPECT_EQ(m_list.Delete(deleted, [&](int index) { return told.push_back(index), true; }), result);
        EXPECT_EQ(Names(names.size()), namesAfter);
        EXPECT_EQ(m_list.DefaultIndex(), defaultAfter);
        const bool deletedOne = result == Deleted;
        EXPECT_EQ(m_list.Count(), static_cast<int>(names.size()) - deletedOne);
        EXPECT_EQ(told, deletedOne ? std::vector<int>{deleted} : std::vector<int>{});
        const auto files = std::count_if(namesAfter.begin(), namesAfter.end(), [](char c) { return c != '-'; });
        EXPECT_EQ(ListFolder(folder.Path())->size(), static_cast<size_t>(files)) << "no held file is left behind";
    }
}

TEST_F(RecipientListTest, AFileThatCannotBeMovedStopsTheDeletionAndPutsEverythingBack) {
    // A mount point cannot be renamed: "Recipient 2.dat" is one, so the second move fails.
    MakeRecipients("ab-", 1);
    const TempFolder elsewhere;
    ASSERT_TRUE(MakeFolders(m_list.Path(2)));
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

} // namespace
