#include "IniValues.h"
#include "SendDialogTestSupport.h"
#include "SettingsKeys.h"
#include "UserIdentityDialog.h"
#include "UserSettingsDialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

QLineEdit* Edit(const QWidget& dialog, int id) {
    return Control<QLineEdit>(dialog, id);
}

void Click(const QWidget& dialog, int id) {
    Control<QPushButton>(dialog, id)->click();
}

class UserDialogs : public SendDialogTest {
protected:
    void Store(const StringKey& key, const std::string& value) {
        ASSERT_TRUE(WriteStringValue(SettingsFile(), key, value));
        ASSERT_TRUE(FlushProfile(SettingsFile()));
    }
    std::string Stored(const StringKey& key) const { return ReadStringValue(SettingsFile(), key); }
    bool HasKey(const StringKey& key) const {
        return ReadStringValue(SettingsFile(), key.section, key.name, "<none>") != "<none>";
    }
};

} // namespace

TEST_F(UserDialogs, TheDialogShowsTheStoredDetailsWithNameAndEmailReadOnly) {
    Store(SettingsKeys::kUser, "Pat Doe");
    Store(SettingsKeys::kUserEmail, "pat@example.com");
    Store(UserKeys::kCompany, "Doe & Co");
    Store(UserKeys::kFax, "555-0199");
    Store(UserKeys::kAddress4, "Springfield");

    UserSettingsDialog dialog(nullptr, m_context);
    EXPECT_EQ(dialog.windowTitle(), "User Settings");
    EXPECT_EQ(Edit(dialog, UserSettingsDialog::kName)->text(), "Pat Doe");
    EXPECT_EQ(Edit(dialog, UserSettingsDialog::kEmail)->text(), "pat@example.com");
    EXPECT_EQ(Edit(dialog, UserSettingsDialog::kCompany)->text(), "Doe & Co");
    EXPECT_EQ(Edit(dialog, UserSettingsDialog::kFax)->text(), "555-0199");
    EXPECT_EQ(Edit(dialog, UserSettingsDialog::kAddress1 + 3)->text(), "Springfield");
    EXPECT_EQ(Edit(dialog, UserSettingsDialog::kPhone)->text(), "");
    for (int id : {UserSettingsDialog::kName, UserSettingsDialog::kEmail}) {
        EXPECT_TRUE(Edit(dialog, id)->isReadOnly());
        EXPECT_EQ(Edit(dialog, id)->focusPolicy(), Qt::NoFocus);
    }
    EXPECT_FALSE(Edit(dialog, UserSettingsDialog::kPhone)->isReadOnly());
    Click(dialog, UserSettingsDialog::kHelp);
    EXPECT_EQ(m_helpAnchors, std::vector<std::string>{"user-settings"});
}

TEST_F(UserDialogs, OkWritesEveryDetailSoAClearedOneIsNoLongerSent) {
    Store(UserKeys::kFax, "555-0199");
    Store(UserKeys::kCell, "555-0100");
    UserSettingsDialog dialog(nullptr, m_context);
    Edit(dialog, UserSettingsDialog::kFax)->clear();
    Edit(dialog, UserSettingsDialog::kPhone)->setText("555-0123");
    Edit(dialog, UserSettingsDialog::kAddress1 + 1)->setText("Flat 2");
    Click(dialog, UserSettingsDialog::kOk);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(HasKey(UserKeys::kFax));
    EXPECT_EQ(Stored(UserKeys::kFax), "");
    EXPECT_EQ(Stored(UserKeys::kPhone), "555-0123");
    EXPECT_EQ(Stored(UserKeys::kCell), "555-0100");
    EXPECT_EQ(Stored(UserKeys::kAddress2), "Flat 2");
    EXPECT_FALSE(HasKey(SettingsKeys::kUser)) << "the read-only name is not written here";
}

TEST_F(UserDialogs, CancelWritesNothing) {
    Store(UserKeys::kFax, "555-0199");
    UserSettingsDialog dialog(nullptr, m_context);
    Edit(dialog, UserSettingsDialog::kFax)->clear();
    Edit(dialog, UserSettingsDialog::kPhone)->setText("555-0123");
    Click(dialog, UserSettingsDialog::kCancel);
    EXPECT_EQ(Stored(UserKeys::kFax), "555-0199");
    EXPECT_FALSE(HasKey(UserKeys::kPhone));
}

TEST_F(UserDialogs, TheIdentityDialogSetsNameEmailAndUserIdAndTheDetailsShowThem) {
    ASSERT_TRUE(WriteIntValue(SettingsFile(), SettingsKeys::kUserId, 42));
    UserSettingsDialog dialog(nullptr, m_context);
    WhenModalOpens<UserIdentityDialog>([](UserIdentityDialog* identity) {
        EXPECT_EQ(identity->windowTitle(), "Name, Email and User ID");
        EXPECT_EQ(Edit(*identity, UserIdentityDialog::kUserId)->text(), "42");
        EXPECT_NE(Control<QLabel>(*identity, UserIdentityDialog::kNote)->text().indexOf("0 included"), -1);
        Edit(*identity, UserIdentityDialog::kName)->setText("Pat Doe");
        Edit(*identity, UserIdentityDialog::kEmail)->setText("pat@example.com");
        Edit(*identity, UserIdentityDialog::kUserId)->setText("12345");
        Click(*identity, UserIdentityDialog::kOk);
    });
    Click(dialog, UserSettingsDialog::kChangeIdentity);
    EXPECT_EQ(Stored(SettingsKeys::kUser), "Pat Doe");
    EXPECT_EQ(Stored(SettingsKeys::kUserEmail), "pat@example.com");
    EXPECT_EQ(ReadIntValue(SettingsFile(), SettingsKeys::kUserId), 12345);
    EXPECT_EQ(Edit(dialog, UserSettingsDialog::kName)->text(), "Pat Doe");
    EXPECT_EQ(Edit(dialog, UserSettingsDialog::kEmail)->text(), "pat@example.com");
}

TEST_F(UserDialogs, TheIdentityDialogRefusesAMissingOrTooLongUserId) {
    UserIdentityDialog identity(nullptr, m_context);
    EXPECT_EQ(Edit(identity, UserIdentityDialog::kUserId)->text(), "0");
    Edit(identity, UserIdentityDialog::kName)->setText("Pat Doe");
    Edit(identity, UserIdentityDialog::kUserId)->setText("");
    Click(identity, UserIdentityDialog::kOk);
    EXPECT_EQ(m_messages, std::vector<std::string>{"Name, Email and User ID: Enter a user ID from 0 to 99999."});
    EXPECT_NE(identity.result(), QDialog::Accepted);
    EXPECT_FALSE(HasKey(SettingsKeys::kUser));

    Edit(identity, UserIdentityDialog::kUserId)->setText("123456"); // cut to five digits by the edit
    EXPECT_EQ(Edit(identity, UserIdentityDialog::kUserId)->text(), "12345");
    Click(identity, UserIdentityDialog::kOk);
    EXPECT_EQ(identity.result(), QDialog::Accepted);
    EXPECT_EQ(ReadIntValue(SettingsFile(), SettingsKeys::kUserId), 12345);
}

TEST_F(UserDialogs, DetailsThatCannotBeSavedAreReportedAndTheDialogStaysOpen) {
    m_context.send.settingsFile = m_folder / "missing/settings.ini";
    UserSettingsDialog dialog(nullptr, m_context);
    Edit(dialog, UserSettingsDialog::kPhone)->setText("555-0123");
    Click(dialog, UserSettingsDialog::kOk);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_NE(m_messages[0].find("could not be saved"), std::string::npos);
    EXPECT_NE(dialog.result(), QDialog::Accepted);
}
