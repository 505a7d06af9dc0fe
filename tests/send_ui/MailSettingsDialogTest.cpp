#include "MailSettingsDialog.h"

#include "MailConfig.h"
#include "SendDialogTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <sys/stat.h>

namespace {

QLineEdit* Edit(const QWidget& dialog, int id) {
    return Control<QLineEdit>(dialog, id);
}

void Click(const QWidget& dialog, int id) {
    Control<QPushButton>(dialog, id)->click();
}

using MailSettingsDialogTest = SendDialogTest;

} // namespace

TEST_F(MailSettingsDialogTest, SettingsTypedInAreStoredWithThePasswordInAnOwnerOnlyFile) {
    MailSettingsDialog dialog(nullptr, m_context);
    EXPECT_EQ(dialog.windowTitle(), "Mail Settings");
    EXPECT_EQ(Edit(dialog, MailSettingsDialog::kPassword)->echoMode(), QLineEdit::Password);
    auto* security = Control<QComboBox>(dialog, MailSettingsDialog::kSecurity);
    EXPECT_EQ(security->currentText(), "STARTTLS");

    Edit(dialog, MailSettingsDialog::kServer)->setText(" mail.example.com:2525 ");
    security->setCurrentIndex(2);
    Control<QCheckBox>(dialog, MailSettingsDialog::kVerifyCertificate)->setChecked(false);
    Edit(dialog, MailSettingsDialog::kSender)->setText("pat@example.com");
    Edit(dialog, MailSettingsDialog::kUser)->setText("pat");
    Edit(dialog, MailSettingsDialog::kPassword)->setText(" pass word ");
    Click(dialog, MailSettingsDialog::kOk);
    ASSERT_EQ(dialog.result(), QDialog::Accepted);

    const MailSettings stored = LoadMailSettings(m_context.send);
    EXPECT_EQ(stored.server, "mail.example.com:2525");
    EXPECT_EQ(stored.port, 0);
    EXPECT_EQ(stored.security, MailSecurity::Smtps);
    EXPECT_FALSE(stored.verifyCertificate);
    EXPECT_EQ(stored.sender, "pat@example.com");
    EXPECT_EQ(stored.user, "pat");
    EXPECT_EQ(stored.password, " pass word ");
    struct stat status {};
    ASSERT_EQ(::stat(MailPasswordPath(m_context.send).c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    EXPECT_EQ(m_folder.Read("settings.ini").find("pass word"), std::string::npos);

    MailSettingsDialog again(nullptr, m_context);
    EXPECT_EQ(Edit(again, MailSettingsDialog::kServer)->text(), "mail.example.com:2525");
    EXPECT_EQ(Control<QComboBox>(again, MailSettingsDialog::kSecurity)->currentText(), "SMTPS");
    EXPECT_EQ(Edit(again, MailSettingsDialog::kPassword)->text(), " pass word ");
}

TEST_F(MailSettingsDialogTest, AStoredPortIsShownAsPartOfTheServer) {
    MailSettings settings;
    settings.server = "mail.example.com";
    settings.port = 587;
    ASSERT_TRUE(SaveMailSettings(m_context.send, settings));
    MailSettingsDialog dialog(nullptr, m_context);
    EXPECT_EQ(Edit(dialog, MailSettingsDialog::kServer)->text(), "mail.example.com:587");
}

TEST_F(MailSettingsDialogTest, ABadPortIsRefusedAndNothingIsStored) {
    MailSettingsDialog dialog(nullptr, m_context);
    for (const char* server : {"mail.example.com:smtp", "mail.example.com:70000", ":25"}) {
        m_messages.clear();
        Edit(dialog, MailSettingsDialog::kServer)->setText(server);
        Click(dialog, MailSettingsDialog::kOk);
        EXPECT_EQ(m_messages.size(), 1u) << server;
        EXPECT_NE(dialog.result(), QDialog::Accepted) << server;
    }
    EXPECT_EQ(LoadMailSettings(m_context.send).server, "");
    Edit(dialog, MailSettingsDialog::kServer)->setText("[::1]:2525");
    Click(dialog, MailSettingsDialog::kOk);
    EXPECT_EQ(LoadMailSettings(m_context.send).server, "[::1]:2525");
}

TEST_F(MailSettingsDialogTest, APasswordWithoutSecurityIsStoredOnlyWhenTheUserAgrees) {
    MailSettingsDialog dialog(nullptr, m_context);
    auto* verify = Control<QCheckBox>(dialog, MailSettingsDialog::kVerifyCertificate);
    EXPECT_TRUE(verify->isEnabled());
    Control<QComboBox>(dialog, MailSettingsDialog::kSecurity)->setCurrentIndex(0);
    EXPECT_FALSE(verify->isEnabled());
    Edit(dialog, MailSettingsDialog::kServer)->setText("mail.example.com");
    Edit(dialog, MailSettingsDialog::kPassword)->setText("secret");

    m_answer = false;
    Click(dialog, MailSettingsDialog::kOk);
    EXPECT_EQ(m_questions.size(), 1u);
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(LoadMailSettings(m_context.send).server, "");

    m_answer = true;
    Click(dialog, MailSettingsDialog::kOk);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(LoadMailSettings(m_context.send).security, MailSecurity::None);
    EXPECT_EQ(LoadMailSettings(m_context.send).password, "secret");
}
