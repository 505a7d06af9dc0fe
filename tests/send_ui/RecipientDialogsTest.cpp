#include "FileOps.h"
#include "IniValues.h"
#include "MailConfig.h"
#include "RecipientSettingsDialog.h"
#include "SelectedSendDialog.h"
#include "SendDialogTestSupport.h"
#include "SendToDialog.h"
#include "SettingsKeys.h"
#include "TypistRecipient.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <cstring>

namespace {

TypistRecipient LoadRecipient(const std::string& path) {
    TypistRecipient recipient;
    EXPECT_TRUE(recipient.Load(path)) << path;
    return recipient;
}

QStringList Lines(const QListWidget* list) {
    QStringList lines;
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text();
    return lines;
}

void Type(const QWidget& dialog, int id, const QString& text) {
    Control<QLineEdit>(dialog, id)->setText(text);
}

void Click(const QWidget& dialog, int id) {
    Control<QAbstractButton>(dialog, id)->click();
}

// A format the fake chooser hands back: 16-bit PCM at 11025 Hz, stereo.
const WaveFormatRecord kChosenFormat = WaveFormatRecord::Pcm(11025, 2, 16);

WaveFormatRecord StoredFormat(const TypistRecipient& recipient) {
    bool unusable = false;
    return recipient.FormatOrDefault(unusable);
}

class RecipientDialogs : public SendDialogTest {
protected:
    RecipientDialogs() {
        m_context.chooseFormat = [this](std::span<uint8_t> area, QWidget*) {
            ++m_formatChoices;
            if (!m_chooseFormat)
                return false;
            const std::vector<uint8_t> bytes = kChosenFormat.Serialize();
            std::fill(area.begin(), area.end(), uint8_t{0});
            std::copy(bytes.begin(), bytes.end(), area.begin());
            return true;
        };
    }
    bool m_chooseFormat = true;
    int m_formatChoices = 0;
};

} // namespace

TEST_F(RecipientDialogs, ARecipientTypedIntoThePropertiesDialogIsStoredFieldByField) {
    SendToDialog dialog(nullptr, m_context, 0);
    EXPECT_EQ(dialog.windowTitle(), "Send To Typist Recipient Properties");
    EXPECT_EQ(Control<QLineEdit>(dialog, SendToDialog::kName)->text(), "Untitled");
    EXPECT_TRUE(Control<QRadioButton>(dialog, SendToDialog::kEmailMethod)->isChecked());
    EXPECT_EQ(Control<QLineEdit>(dialog, SendToDialog::kPassword)->echoMode(), QLineEdit::Password);

    Type(dialog, SendToDialog::kName, QString(40, 'N'));
    Click(dialog, SendToDialog::kFtpMethod);
    Type(dialog, SendToDialog::kEmailAddress, "jane@example.com");
    Type(dialog, SendToDialog::kFolder, "/srv/typing/ ");
    Type(dialog, SendToDialog::kServer, "ftp.example.com:2121");
    Type(dialog, SendToDialog::kUser, "jane");
    Type(dialog, SendToDialog::kPassword, "s3cret");
    Type(dialog, SendToDialog::kDirectory, "incoming/");
    Click(dialog, SendToDialog::kFtpOverTls);
    Click(dialog, SendToDialog::kVerifyCertificate); // on by default: now off
    Click(dialog, SendToDialog::kOk);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    const TypistRecipient stored = LoadRecipient(RecipientFile(0));
    EXPECT_EQ(stored.Name(), std::string(31, 'N'));
    EXPECT_EQ(stored.MethodValue(), static_cast<uint32_t>(SendMethod::Ftp));
    EXPECT_EQ(stored.Text(RecipientField::EmailAddress), "jane@example.com");
    EXPECT_EQ(stored.Text(RecipientField::Folder), "/srv/typing/ "); // as typed: the transport strips it
    EXPECT_EQ(stored.Text(RecipientField::FtpServer), "ftp.example.com:2121");
    EXPECT_EQ(stored.Text(RecipientField::FtpUser), "jane");
    EXPECT_EQ(stored.Text(RecipientField::FtpPassword), "s3cret");
    EXPECT_EQ(stored.Text(RecipientField::FtpDirectory), "incoming/");
    EXPECT_TRUE(stored.FtpOverTls());
    EXPECT_FALSE(stored.VerifyServerCertificate());
    EXPECT_EQ(StoredFormat(stored), TypistRecipient::DefaultFormat());
    EXPECT_EQ(Count(), 0) << "the properties dialog alone adds no recipient";

    // Opened again, the dialog shows what was stored.
    SendToDialog again(nullptr, m_context, 0);
    EXPECT_EQ(Control<QLineEdit>(again, SendToDialog::kName)->text(), QString(31, 'N'));
    EXPECT_TRUE(Control<QRadioButton>(again, SendToDialog::kFtpMethod)->isChecked());
    EXPECT_EQ(Control<QLineEdit>(again, SendToDialog::kDirectory)->text(), "incoming/");
    EXPECT_TRUE(Control<QCheckBox>(again, SendToDialog::kFtpOverTls)->isChecked());
    EXPECT_FALSE(Control<QCheckBox>(again, SendToDialog::kVerifyCertificate)->isChecked());
}

TEST_F(RecipientDialogs, AClearedFieldIsClearedButAnEmptyNameKeepsTheStoredOne) {
    MakeRecipients({"Jane"}, 0);
    SendToDialog dialog(nullptr, m_context, 0);
    Type(dialog, SendToDialog::kName, "");
    Type(dialog, SendToDialog::kFolder, "");
    Click(dialog, SendToDialog::kOk);
    const TypistRecipient stored = LoadRecipient(RecipientFile(0));
    EXPECT_EQ(stored.Name(), "Jane");
    EXPECT_EQ(stored.Text(RecipientField::Folder), "");
}

TEST_F(RecipientDialogs, TheMethodButtonsEnableTheirOwnFields) {
    SendToDialog dialog(nullptr, m_context, 0);
    const auto enabled = [&dialog](std::initializer_list<int> ids) {
        std::string states;
        for (int id : ids)
            states += FindControl(&dialog, id)->isEnabled() ? '1' : '0';
        return states;
    };
    const std::initializer_list<int> email = {SendToDialog::kEmailLabel, SendToDialog::kEmailAddress};
    const std::initializer_list<int> lan = {SendToDialog::kFolderLabel, SendToDialog::kFolder};
    const std::initializer_list<int> ftp = {
        SendToDialog::kServerLabel,    SendToDialog::kServer,        SendToDialog::kUserLabel,
        SendToDialog::kUser,           SendToDialog::kPasswordLabel, SendToDialog::kPassword,
        SendToDialog::kDirectoryLabel, SendToDialog::kDirectory,     SendToDialog::kFtpOverTls};
    EXPECT_EQ(enabled(email) + enabled(lan) + enabled(ftp), "11"
                                                            "00"
                                                            "000000000");
    Click(dialog, SendToDialog::kLanMethod);
    EXPECT_EQ(enabled(email) + enabled(lan) + enabled(ftp), "00"
                                                            "11"
                                                            "000000000");
    Click(dialog, SendToDialog::kFtpMethod);
    EXPECT_EQ(enabled(email) + enabled(lan) + enabled(ftp), "00"
                                                            "00"
                                                            "111111111");

    // The certificate check only means something over TLS.
    auto* certificate = Control<QCheckBox>(dialog, SendToDialog::kVerifyCertificate);
    EXPECT_FALSE(certificate->isEnabled());
    Click(dialog, SendToDialog::kFtpOverTls);
    EXPECT_TRUE(certificate->isEnabled());
    Click(dialog, SendToDialog::kEmailMethod);
    EXPECT_FALSE(certificate->isEnabled());
}

TEST_F(RecipientDialogs, AMethodValueOutOfRangeChecksEmailAndIsListedAsUndefined) {
    MakeRecipients({"Odd"}, 0);
    std::string bytes = m_folder.Read(RecipientFileName(0));
    bytes[TypistRecipient::kMethodOffset] = 7;
    m_folder.Write(RecipientFileName(0), bytes);

    SendToDialog properties(nullptr, m_context, 0);
    EXPECT_TRUE(Control<QRadioButton>(properties, SendToDialog::kEmailMethod)->isChecked());
    RecipientSettingsDialog list(nullptr, m_context);
    EXPECT_EQ(Lines(Control<QListWidget>(list, RecipientSettingsDialog::kList)),
              QStringList{"Odd DEFAULT (undefined method)"});
}

TEST_F(RecipientDialogs, SetDefaultIsWrittenAtOnceAndStaysWhenTheDialogIsCancelled) {
    MakeRecipients({"A", "B"}, 0);
    SendToDialog isDefault(nullptr, m_context, 0);
    EXPECT_FALSE(Control<QPushButton>(isDefault, SendToDialog::kSetDefault)->isEnabled());

    SendToDialog dialog(nullptr, m_context, 1);
    auto* setDefault = Control<QPushButton>(dialog, SendToDialog::kSetDefault);
    ASSERT_TRUE(setDefault->isEnabled());
    setDefault->click();
    EXPECT_EQ(DefaultIndex(), 1);
    EXPECT_FALSE(setDefault->isEnabled());
    Click(dialog, SendToDialog::kCancel);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(DefaultIndex(), 1);
}

TEST_F(RecipientDialogs, AChosenFormatIsWrittenAtOnceWithTheFieldsAsLoaded) {
    MakeRecipients({"Jane"}, 0);
    SendToDialog dialog(nullptr, m_context, 0);
    Type(dialog, SendToDialog::kName, "Typed but not confirmed");
    Click(dialog, SendToDialog::kSelectFormat);
    TypistRecipient stored = LoadRecipient(RecipientFile(0));
    EXPECT_EQ(StoredFormat(stored), kChosenFormat);
    EXPECT_EQ(stored.Name(), "Jane");

    // A cancelled chooser writes nothing; OK then stores the typed name with the chosen format.
    m_chooseFormat = false;
    ASSERT_TRUE(WriteFileAtomically(RecipientFile(0), "x"));
    Click(dialog, SendToDialog::kSelectFormat);
    EXPECT_EQ(m_folder.Read(RecipientFileName(0)), "x");
    Click(dialog, SendToDialog::kOk);
    stored = LoadRecipient(RecipientFile(0));
    EXPECT_EQ(stored.Name(), "Typed but not confirmed");
    EXPECT_EQ(StoredFormat(stored), kChosenFormat);
    EXPECT_EQ(m_formatChoices, 2);
}

TEST_F(RecipientDialogs, EmailWithoutMailSettingsWarnsAndIsSavedAnyway) {
    SendToDialog dialog(nullptr, m_context, 0);
    Click(dialog, SendToDialog::kOk);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_TRUE(m_messages[0].starts_with("Mail Settings required: WARNING:")) << m_messages[0];
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(LoadRecipient(RecipientFile(0)).MethodValue(), static_cast<uint32_t>(SendMethod::Email));

    MailSettings mail;
    mail.server = "mail.example.com";
    mail.sender = "me@example.com";
    ASSERT_TRUE(SaveMailSettings(m_context.send, mail));
    m_messages.clear();
    SendToDialog configured(nullptr, m_context, 0);
    Click(configured, SendToDialog::kOk);
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(RecipientDialogs, ARecipientThatCannotBeSavedKeepsTheDialogOpenAndSaysSo) {
    m_context.send.programFolder = m_folder / "missing/";
    SendToDialog dialog(nullptr, m_context, 0);
    Click(dialog, SendToDialog::kLanMethod);
    Click(dialog, SendToDialog::kOk);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_TRUE(m_messages[0].starts_with("Send To Typist Recipient Properties: The recipient could not be saved"));
    EXPECT_NE(dialog.result(), QDialog::Accepted);
}

TEST_F(RecipientDialogs, TheListShowsEveryRecipientWithTheDefaultMarked) {
    MakeRecipients({"A", "B", "C"}, 1);
    RecipientSettingsDialog dialog(nullptr, m_context);
    EXPECT_EQ(dialog.windowTitle(), "Recipient Settings");
    EXPECT_EQ(dialog.findChild<QGroupBox*>()->title(), "Typist &Recipients");
    auto* list = Control<QListWidget>(dialog, RecipientSettingsDialog::kList);
    EXPECT_EQ(Lines(list), (QStringList{"A (/typing/A)", "B DEFAULT (/typing/B)", "C (/typing/C)"}));
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_TRUE(Control<QPushButton>(dialog, RecipientSettingsDialog::kDelete)->isEnabled());
    EXPECT_TRUE(Control<QPushButton>(dialog, RecipientSettingsDialog::kProperties)->isEnabled());
    Click(dialog, RecipientSettingsDialog::kHelp);
    EXPECT_EQ(m_helpAnchors, std::vector<std::string>{"recipient-settings"});

    SendDialogTest::SetCount(0, 0);
    RecipientSettingsDialog empty(nullptr, m_context);
    EXPECT_EQ(Control<QListWidget>(empty, RecipientSettingsDialog::kList)->count(), 0);
    EXPECT_FALSE(Control<QPushButton>(empty, RecipientSettingsDialog::kDelete)->isEnabled());
    EXPECT_FALSE(Control<QPushButton>(empty, RecipientSettingsDialog::kProperties)->isEnabled());
}

TEST_F(RecipientDialogs, NewRecipientCountsTheRecipientOnlyWhenItsDialogEndsWithOk) {
    MakeRecipients({"A"}, 0);
    RecipientSettingsDialog dialog(nullptr, m_context);
    auto* list = Control<QListWidget>(dialog, RecipientSettingsDialog::kList);

    int opened = -1;
    WhenModalOpens<SendToDialog>([&opened](SendToDialog* properties) {
        opened = properties->Index();
        Type(*properties, SendToDialog::kName, "Cancelled");
        Click(*properties, SendToDialog::kCancel);
    });
    Click(dialog, RecipientSettingsDialog::kNewRecipient);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(Count(), 1);
    EXPECT_FALSE(PathExists(RecipientFile(1)));

    WhenModalOpens<SendToDialog>([](SendToDialog* properties) {
        Type(*properties, SendToDialog::kName, "B");
        Click(*properties, SendToDialog::kLanMethod);
        Type(*properties, SendToDialog::kFolder, "/typing/B");
        Click(*properties, SendToDialog::kOk);
    });
    Click(dialog, RecipientSettingsDialog::kNewRecipient);
    EXPECT_EQ(Count(), 2);
    EXPECT_EQ(Lines(list), (QStringList{"A DEFAULT (/typing/A)", "B (/typing/B)"}));
    EXPECT_EQ(list->currentRow(), 1);
}

TEST_F(RecipientDialogs, CancelAfterChoosingAFormatLeavesTheFileButNotTheCount) {
    RecipientSettingsDialog dialog(nullptr, m_context);
    WhenModalOpens<SendToDialog>([](SendToDialog* properties) {
        Click(*properties, SendToDialog::kSelectFormat);
        Click(*properties, SendToDialog::kCancel);
    });
    Click(dialog, RecipientSettingsDialog::kNewRecipient);
    EXPECT_EQ(Count(), 0);
    ASSERT_TRUE(PathExists(RecipientFile(0)));
    EXPECT_EQ(StoredFormat(LoadRecipient(RecipientFile(0))), kChosenFormat);
    EXPECT_EQ(Control<QListWidget>(dialog, RecipientSettingsDialog::kList)->count(), 0);

    // The next new recipient starts from that file.
    QString shownName;
    WhenModalOpens<SendToDialog>([&shownName](SendToDialog* properties) {
        shownName = Control<QLineEdit>(*properties, SendToDialog::kName)->text();
        Click(*properties, SendToDialog::kOk);
    });
    Click(dialog, RecipientSettingsDialog::kNewRecipient);
    EXPECT_EQ(shownName, "Untitled");
    EXPECT_EQ(Count(), 1);
    EXPECT_EQ(StoredFormat(LoadRecipient(RecipientFile(0))), kChosenFormat);
}

TEST_F(RecipientDialogs, DeleteAsksFirstThenRenumbersTheFilesAndTheQueue) {
    MakeRecipients({"A", "B", "C"}, 2);
    std::vector<int> renumbered;
    m_context.queue.renumberRecipients = [&renumbered](int index) {
        renumbered.push_back(index);
        return true;
    };
    RecipientSettingsDialog dialog(nullptr, m_context);
    auto* list = Control<QListWidget>(dialog, RecipientSettingsDialog::kList);
    list->setCurrentRow(1);

    m_answer = false;
    Click(dialog, RecipientSettingsDialog::kDelete);
    EXPECT_EQ(m_questions, std::vector<std::string>{"Confirm Delete: Are you sure you want to delete this recipient?"});
    EXPECT_EQ(Count(), 3);
    EXPECT_TRUE(renumbered.empty());

    m_answer = true;
    Click(dialog, RecipientSettingsDialog::kDelete);
    EXPECT_EQ(Count(), 2);
    EXPECT_EQ(LoadRecipient(RecipientFile(1)).Name(), "C");
    EXPECT_FALSE(PathExists(RecipientFile(2)));
    EXPECT_EQ(renumbered, std::vector<int>{1});
    EXPECT_EQ(Lines(list), (QStringList{"A (/typing/A)", "C DEFAULT (/typing/C)"}));
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(RecipientDialogs, DeleteTellsTheUserWhenTheQueueCouldNotFollow) {
    MakeRecipients({"A", "B"}, 0);
    m_context.queue.renumberRecipients = [](int) { return false; };
    RecipientSettingsDialog dialog(nullptr, m_context);
    Click(dialog, RecipientSettingsDialog::kDelete);
    EXPECT_EQ(Count(), 1);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_NE(m_messages[0].find("waiting to be sent could not be moved"), std::string::npos) << m_messages[0];
}

TEST_F(RecipientDialogs, PropertiesEditTheSelectedRecipientAndRefreshItsLine) {
    MakeRecipients({"A", "B"}, 0);
    RecipientSettingsDialog dialog(nullptr, m_context);
    auto* list = Control<QListWidget>(dialog, RecipientSettingsDialog::kList);
    list->setCurrentRow(1);
    WhenModalOpens<SendToDialog>([](SendToDialog* properties) {
        EXPECT_EQ(properties->Index(), 1);
        Type(*properties, SendToDialog::kName, "Bea");
        Click(*properties, SendToDialog::kHelp);
        Click(*properties, SendToDialog::kOk);
    });
    Click(dialog, RecipientSettingsDialog::kProperties);
    EXPECT_EQ(Lines(list), (QStringList{"A DEFAULT (/typing/A)", "Bea (/typing/B)"}));
    EXPECT_EQ(list->currentRow(), 1);
    EXPECT_EQ(m_helpAnchors, std::vector<std::string>{"recipient-properties"});
}

TEST_F(RecipientDialogs, TheSendDialogStartsAtTheDefaultAndGivesTheChosenIndex) {
    MakeRecipients({"A", "B", "C"}, 1);
    WhenModalOpens<SelectedSendDialog>([](SelectedSendDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "Send To Recipient");
        auto* list = Control<QListWidget>(*dialog, SelectedSendDialog::kList);
        EXPECT_EQ(list->count(), 3);
        EXPECT_EQ(list->currentRow(), 1);
        Click(*dialog, SelectedSendDialog::kSend);
    });
    EXPECT_EQ(ChooseSendRecipient(nullptr, m_context), 1);

    WhenModalOpens<SelectedSendDialog>([](SelectedSendDialog* dialog) {
        Control<QListWidget>(*dialog, SelectedSendDialog::kList)->setCurrentRow(2);
        Click(*dialog, SelectedSendDialog::kSend);
    });
    EXPECT_EQ(ChooseSendRecipient(nullptr, m_context), 2);

    WhenModalOpens<SelectedSendDialog>([](SelectedSendDialog* dialog) { Click(*dialog, SelectedSendDialog::kCancel); });
    EXPECT_EQ(ChooseSendRecipient(nullptr, m_context), std::nullopt);
}

TEST_F(RecipientDialogs, WithoutRecipientsTheSendDialogIsEmptyAndGivesNothing) {
    SelectedSendDialog dialog(nullptr, m_context);
    EXPECT_EQ(Control<QListWidget>(dialog, SelectedSendDialog::kList)->count(), 0);
    Click(dialog, SelectedSendDialog::kSend);
    EXPECT_EQ(dialog.ChosenIndex(), -1);

    WhenModalOpens<SelectedSendDialog>([](SelectedSendDialog* shown) { Click(*shown, SelectedSendDialog::kSend); });
    EXPECT_EQ(ChooseSendRecipient(nullptr, m_context), std::nullopt);
}

TEST_F(RecipientDialogs, ADefaultThatCannotBeSavedIsReportedAndCanBeTriedAgain) {
    m_context.send.settingsFile = m_folder / "missing/settings.ini";
    SendToDialog dialog(nullptr, m_context, 1);
    auto* setDefault = Control<QPushButton>(dialog, SendToDialog::kSetDefault);
    setDefault->click();
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_NE(m_messages[0].find("The default recipient could not be saved"), std::string::npos);
    EXPECT_TRUE(setDefault->isEnabled());
}
