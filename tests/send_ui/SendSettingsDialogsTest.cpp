// The send settings dialogs (a recipient's properties, the recipient list, the choice of a send's recipient, the
// user's details and identity, the mail settings): what each writes, refuses, and says when it cannot save.
#include "SendDialogTestSupport.h"
#include "send/MailConfig.h"
#include "send/ui/MailSettingsDialog.h"
#include "send/ui/RecipientSettingsDialog.h"
#include "send/ui/SelectedSendDialog.h"
#include "send/ui/SendToDialog.h"
#include "send/ui/UserIdentityDialog.h"
#include "send/ui/UserSettingsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>

namespace {

using Ids = SendToDialog::ControlId;
using ListIds = RecipientSettingsDialog::ControlId;
using UserIds = UserSettingsDialog::ControlId;
using IdentityIds = UserIdentityDialog::ControlId;
using MailIds = MailSettingsDialog::ControlId;

QString Label(const QWidget& dialog, int id) {
    const auto* label = qobject_cast<const QLabel*>(FindControl(&dialog, id));
    return label ? label->text() : QStringLiteral("<not a label>");
}
} // namespace

TEST_F(SendDialogTest, ARecipientTypedIntoThePropertiesDialogIsStoredFieldByFieldAndShownAgain) {
    const std::pair<Ids, RecipientField> fields[] = {
        {Ids::kEmailAddress, RecipientField::EmailAddress}, {Ids::kFolder, RecipientField::Folder},
        {Ids::kServer, RecipientField::FtpServer},          {Ids::kUser, RecipientField::FtpUser},
        {Ids::kPassword, RecipientField::FtpPassword},      {Ids::kDirectory, RecipientField::FtpDirectory}};
    const auto typed = [](int id) { return "field " + std::to_string(id) + " "; }; // blanks are the transport's
    SendToDialog dialog(nullptr, m_context, 0);
    EXPECT_EQ(Control<QLineEdit>(dialog, Ids::kPassword)->echoMode(), QLineEdit::Password);
    Type(dialog, Ids::kName, QString(40, 'N'));
    Click(dialog, Ids::kFtpMethod);
    for (const auto& [id, field] : fields)
        Type(dialog, id, QString::fromStdString(typed(id)));
    Click(dialog, Ids::kFtpOverTls);
    Click(dialog, Ids::kVerifyCertificate); // on by default: now off
    Click(dialog, Ids::kOk);
    const TypistRecipient stored = Recipient(0);
    EXPECT_EQ(stored.Name(), std::string(31, 'N'));
    EXPECT_EQ(stored.MethodValue(), static_cast<uint32_t>(SendMethod::Ftp));
    for (const auto& [id, field] : fields)
        EXPECT_EQ(stored.Text(field), typed(id));
    EXPECT_TRUE(stored.FtpOverTls() && !stored.VerifyServerCertificate());
    // Each method enables its own fields; the certificate check only means something over TLS.
    const auto enabled = [&dialog](int id) { return Control<QWidget>(dialog, id)->isEnabled(); };
    EXPECT_TRUE(enabled(Ids::kVerifyCertificate) && enabled(Ids::kServer) && !enabled(Ids::kFolder));
    Click(dialog, Ids::kFtpOverTls);
    EXPECT_FALSE(enabled(Ids::kVerifyCertificate));
    Click(dialog, Ids::kLanMethod);
    EXPECT_TRUE(enabled(Ids::kFolder) && !enabled(Ids::kServer) && !enabled(Ids::kFtpOverTls));

    // Opened again it shows what was stored; an emptied name keeps the stored one, an emptied field is emptied.
    SendToDialog again(nullptr, m_context, 0);
    EXPECT_EQ(Text(again, Ids::kName), QString(31, 'N'));
    for (const auto& [id, field] : fields)
        EXPECT_EQ(Text(again, id).toStdString(), typed(id));
    EXPECT_TRUE(Checked(again, Ids::kFtpMethod) && Checked(again, Ids::kFtpOverTls) &&
                !Checked(again, Ids::kVerifyCertificate));
    Type(again, Ids::kName, "");
    Type(again, Ids::kFolder, "");
    Click(again, Ids::kOk);
    EXPECT_EQ(Recipient(0).Name() + "|" + Recipient(0).Text(RecipientField::Folder), std::string(31, 'N') + "|");
}

TEST_F(SendDialogTest, ADamagedMethodShowsAsEmailAndAChosenFormatIsWrittenAtOnceWithTheFieldsAsLoaded) {
    MakeRecipients({"Odd"}, 0);
    std::string bytes = m_folder.Read(RecipientFileName(0));
    bytes[TypistRecipient::kMethodOffset] = 7;
    m_folder.Write(RecipientFileName(0), bytes);
    EXPECT_EQ(Lines(RecipientSettingsDialog(nullptr, m_context), ListIds::kList),
              QStringList{"Odd DEFAULT (undefined method)"});
    SendToDialog dialog(nullptr, m_context, 0);
    EXPECT_TRUE(Checked(dialog, Ids::kEmailMethod) && !Control<QWidget>(dialog, Ids::kFolder)->isEnabled())
        << "e-mail with only its own fields enabled";
    Type(dialog, Ids::kName, "Typed");
    Click(dialog, Ids::kSelectFormat);
    EXPECT_EQ(StoredFormat(0), WaveFormatRecord::Pcm(11025, 2, 16));
    EXPECT_EQ(Label(dialog, Ids::kFormatText), "Format: PCM 16-bit, 11,025 Hz, 16 Bit, Stereo, 44,100 bytes/s");
    // The folder chooser fills the folder field; it is offered with the folder method only.
    m_context.chooseFolder = [](QWidget*, const std::string& start) { return start + "/Typing Pool"; };
    EXPECT_FALSE(Control<QWidget>(dialog, Ids::kBrowseFolder)->isEnabled());
    Click(dialog, Ids::kLanMethod);
    Type(dialog, Ids::kFolder, "/srv");
    Click(dialog, Ids::kBrowseFolder);
    EXPECT_EQ(Text(dialog, Ids::kFolder), "/srv/Typing Pool");
    Click(dialog, Ids::kEmailMethod);
    EXPECT_EQ(Recipient(0).Name() + " " + std::to_string(Recipient(0).MethodValue()), "Odd 7");

    // A cancelled chooser and a format that cannot be kept write nothing; OK stores the typed name as e-mail, with a
    // warning while the mail settings are missing.
    ASSERT_TRUE(WriteFileAtomically(RecipientFile(0), "x"));
    m_chooseFormat = false;
    Click(dialog, Ids::kSelectFormat);
    m_chooseFormat = true;
    m_chosen.clear();
    Click(dialog, Ids::kSelectFormat);
    EXPECT_EQ(m_folder.Read(RecipientFileName(0)), "x");
    Click(dialog, Ids::kOk);
    ASSERT_EQ(m_messages.size(), 2u);
    EXPECT_EQ(m_messages[0],
              "Send To Typist Recipient Properties: The chosen format cannot be kept for this recipient.");
    EXPECT_TRUE(m_messages[1].starts_with("Mail Settings required: WARNING:")) << m_messages[1];
    EXPECT_EQ(Recipient(0).Name() + " " + std::to_string(Recipient(0).MethodValue()), "Typed 0");
    EXPECT_EQ(StoredFormat(0), WaveFormatRecord::Pcm(11025, 2, 16));
}

TEST_F(SendDialogTest, NewPropertiesAndSetDefaultChangeTheListAndTheCountOnlyWhenTheirDialogEndsWithOk) {
    RecipientSettingsDialog dialog(nullptr, m_context);
    // A cancelled new recipient whose format was chosen leaves its file (the next one starts from it), not the count.
    const std::tuple<int, const char*, int, QStringList> steps[] = {
        {ListIds::kNewRecipient, nullptr, 0, {}},
        {ListIds::kNewRecipient, "A", 0, {"A DEFAULT (/typing/A)"}},
        {ListIds::kNewRecipient, nullptr, 1, {"A DEFAULT (/typing/A)"}},
        {ListIds::kNewRecipient, "B", 1, {"A DEFAULT (/typing/A)", "B (/typing/B)"}},
        {ListIds::kProperties, "Bea", 1, {"A (/typing/A)", "Bea DEFAULT (/typing/B)"}}};
    for (const auto& [button, name, index, lines] : steps) {
        WhenModalOpens<SendToDialog>([name = name, index = index](SendToDialog* properties) {
            EXPECT_EQ(properties->Index(), index);
            Click(*properties, Ids::kSelectFormat);
            Type(*properties, Ids::kName, name ? name : "Cancelled");
            Click(*properties, Ids::kLanMethod);
            Type(*properties, Ids::kFolder, "/typing/" + QString(name).left(1));
            EXPECT_EQ(Control<QWidget>(*properties, Ids::kSetDefault)->isEnabled(), properties->Index() != 0);
            if (name && name == std::string("Bea"))
                Click(*properties, Ids::kSetDefault); // written at once
            Click(*properties, name ? Ids::kOk : Ids::kCancel);
        });
        Click(dialog, button);
        EXPECT_EQ(Lines(dialog, ListIds::kList), lines) << button << (name ? name : "");
        EXPECT_EQ(ReadSetting(SettingsKeys::kSendCount), lines.size());
        EXPECT_EQ(StoredFormat(index), WaveFormatRecord::Pcm(11025, 2, 16));
        EXPECT_EQ(Control<QListWidget>(dialog, ListIds::kList)->currentRow(), name ? index : lines.size() - 1);
    }
}

TEST_F(SendDialogTest, DeleteAsksFirstThenRenumbersTheFilesAndTellsTheQueue) {
    struct Case {
        bool answer, queue, queueFollows; // the user's answer; a queue is attached; it renumbers its entries
    };
    for (const Case test : {Case{false, true, true}, {true, true, true}, {true, false, true}, {true, true, false}}) {
        SCOPED_TRACE(testing::Message() << test.answer << test.queue << test.queueFollows);
        MakeRecipients({"A", "B", "C"}, 2);
        m_context.queue = test.queue ? &m_queue : nullptr;
        m_queue = FakeSendQueue();
        m_queue.renumberWorks = test.queueFollows;
        m_messages = m_questions = {};
        m_answer = test.answer;
        RecipientSettingsDialog dialog(nullptr, m_context);
        Control<QListWidget>(dialog, ListIds::kList)->setCurrentRow(1);
        Click(dialog, ListIds::kDelete);
        EXPECT_EQ(m_questions,
                  std::vector<std::string>{"Confirm Delete: Are you sure you want to delete this recipient?"});
        EXPECT_EQ(ReadSetting(SettingsKeys::kSendCount), test.answer ? 2 : 3);
        EXPECT_EQ(m_queue.renumbered, test.answer && test.queue ? std::vector<int>{1} : std::vector<int>{});
        if (!test.answer)
            continue;
        EXPECT_EQ(Lines(dialog, ListIds::kList), (QStringList{"A (/typing/A)", "C DEFAULT (/typing/C)"}));
        ASSERT_EQ(m_messages.size(), test.queueFollows ? 0u : 1u);
        EXPECT_TRUE(test.queueFollows ||
                    m_messages[0].find("waiting to be sent could not be moved") != std::string::npos);
    }
}

TEST_F(SendDialogTest, TheSendDialogStartsAtTheDefaultAndGivesTheChosenRecipient) {
    MakeRecipients({"A", "B", "C"}, 1);
    // The line the user selects (-1: none) and the button; the recipient chosen.
    const std::tuple<int, int, std::optional<int>> cases[] = {{2, SelectedSendDialog::kSend, 2},
                                                              {1, SelectedSendDialog::kCancel, std::nullopt},
                                                              {-1, SelectedSendDialog::kSend, std::nullopt}};
    for (const auto& [select, button, chosen] : cases) {
        WhenModalOpens<SelectedSendDialog>([select = select, button = button](SelectedSendDialog* dialog) {
            auto* list = Control<QListWidget>(*dialog, SelectedSendDialog::kList);
            EXPECT_EQ(list->currentRow(), 1) << "the default";
            list->setCurrentRow(select, QItemSelectionModel::ClearAndSelect);
            Click(*dialog, button);
        });
        EXPECT_EQ(ChooseSendRecipient(nullptr, m_context), chosen) << select << " " << button;
    }
}

TEST_F(SendDialogTest, UserDetailsAreWrittenAllOnOkAndTheIdentityDialogRefusesAMissingUserId) {
    WriteSetting(SettingsKeys::kUser, "Pat Doe");
    WriteSetting(UserKeys::kFax, "555-0199");
    WriteSetting(UserKeys::kAddress4, "Springfield");
    for (const int button : {UserIds::kCancel, UserIds::kOk}) {
        UserSettingsDialog dialog(nullptr, m_context);
        // Name and e-mail address are text, not boxes that look as if they took typing.
        EXPECT_EQ(Label(dialog, UserIds::kName) + Text(dialog, UserIds::kFax) + Text(dialog, UserIds::kAddress1 + 3),
                  "Pat Doe555-0199Springfield");
        Type(dialog, UserIds::kFax, "");
        Type(dialog, UserIds::kPhone, "555-0123");
        Click(dialog, button);
        // OK writes every detail as it stands, so a cleared one is no longer sent.
        EXPECT_EQ(ReadSetting(UserKeys::kFax) + ReadSetting(UserKeys::kPhone) + ReadSetting(UserKeys::kCell),
                  button == UserIds::kOk ? "555-0123" : "555-0199--");
    }

    // Name, e-mail address and user id change through their own dialog, which the details then show.
    WriteSetting(SettingsKeys::kUserId, 42);
    UserSettingsDialog dialog(nullptr, m_context);
    WhenModalOpens<UserIdentityDialog>([this](UserIdentityDialog* identity) {
        EXPECT_EQ(Text(*identity, IdentityIds::kUserId), "42");
        Type(*identity, IdentityIds::kName, "Pat Roe");
        Type(*identity, IdentityIds::kEmail, "pat@example.com");
        Type(*identity, IdentityIds::kUserId, "");
        Click(*identity, IdentityIds::kOk);
        EXPECT_EQ(m_messages, std::vector<std::string>{"Name, Email and User ID: Enter a user ID from 0 to 99999."});
        EXPECT_EQ(ReadSetting(SettingsKeys::kUser), "Pat Doe");
        Type(*identity, IdentityIds::kUserId, "123456"); // cut to five digits by the edit
        Click(*identity, IdentityIds::kOk);
    });
    Click(dialog, UserIds::kChangeIdentity);
    EXPECT_EQ(ReadSetting(SettingsKeys::kUser) + " " + ReadSetting(SettingsKeys::kUserEmail),
              "Pat Roe pat@example.com");
    EXPECT_EQ(ReadSetting(SettingsKeys::kUserId), 12345);
    EXPECT_EQ(Label(dialog, UserIds::kName) + " " + Label(dialog, UserIds::kEmail), "Pat Roe pat@example.com");
}

TEST_F(SendDialogTest, WhatCannotBeSavedIsReportedAndTheDialogStaysOpenToTryAgain) {
    m_context.send.settingsFile = m_folder / "missing/settings.ini";
    m_context.send.programFolder = m_folder / "missing/";
    SendToDialog recipient(nullptr, m_context, 1);
    Click(recipient, SendToDialog::kLanMethod);
    UserSettingsDialog details(nullptr, m_context);
    UserIdentityDialog identity(nullptr, m_context);
    MailSettingsDialog mail(nullptr, m_context);
    Type(mail, MailIds::kServer, "mail.example.com");
    const std::tuple<QDialog*, int, const char*> actions[] = {
        {&recipient, SendToDialog::kSetDefault, "The default recipient could not be saved"},
        {&recipient, SendToDialog::kSelectFormat, "The audio format could not be saved"},
        {&recipient, SendToDialog::kOk, "The recipient could not be saved"},
        {&details, UserIds::kOk, "Your details could not be saved"},
        {&identity, IdentityIds::kOk, "Your name, email address and user ID could not be saved"},
        {&mail, MailIds::kOk, "The mail settings could not be saved"}};
    for (const auto& [dialog, button, text] : actions) {
        m_messages.clear();
        Click(*dialog, button);
        ASSERT_EQ(m_messages.size(), 1u) << text;
        EXPECT_NE(m_messages[0].find(text), std::string::npos) << m_messages[0];
        EXPECT_NE(dialog->result(), QDialog::Accepted);
    }
    EXPECT_TRUE(Control<QWidget>(recipient, SendToDialog::kSetDefault)->isEnabled());
}

TEST_F(SendDialogTest, MailSettingsAreStoredOnlyWithAGoodPortAndWithTheUsersYesToAPasswordWithoutSecurity) {
    WriteSetting(MailKeys::kServer, "mail.example.com");
    WriteSetting(MailKeys::kPort, 587);
    MailSettingsDialog dialog(nullptr, m_context);
    auto* security = Control<QComboBox>(dialog, MailIds::kSecurity);
    auto* verify = Control<QCheckBox>(dialog, MailIds::kVerifyCertificate);
    EXPECT_EQ(Text(dialog, MailIds::kServer) + " " + security->currentText(), "mail.example.com:587 STARTTLS");
    Type(dialog, MailIds::kSender, "pat@example.com");
    Type(dialog, MailIds::kUser, "pat");
    Type(dialog, MailIds::kPassword, " pass word ");
    // The server and the security typed, the user's answer; the server stored, and the warnings and questions.
    const std::tuple<const char*, int, bool, const char*, size_t, size_t> cases[] = {
        {"mail.example.com:smtp", 1, true, "mail.example.com", 1, 0},
        {"mail.example.com:70000", 1, true, "mail.example.com", 2, 0},
        {":25", 1, true, "mail.example.com", 3, 0},
        {" [::1]:2525 ", 0, false, "mail.example.com", 3, 1},
        {" [::1]:2525 ", 0, true, "[::1]:2525", 3, 2},
        {"mail.example.com:2525", 2, true, "mail.example.com:2525", 3, 2}};
    for (const auto& [server, choice, answer, stored, warnings, questions] : cases) {
        Type(dialog, MailIds::kServer, server);
        security->setCurrentIndex(choice);
        EXPECT_EQ(verify->isEnabled(), choice != 0) << "no certificate without security";
        verify->setChecked(false);
        m_answer = answer;
        Click(dialog, MailIds::kOk);
        EXPECT_EQ(LoadMailSettings(m_context.send).server, stored) << server;
        EXPECT_EQ(m_messages.size(), warnings) << server;
        EXPECT_EQ(m_questions.size(), questions) << server;
    }
    const MailSettings mail = LoadMailSettings(m_context.send);
    EXPECT_TRUE(mail.port == 0 && mail.security == MailSecurity::Smtps && !mail.verifyCertificate);
    EXPECT_EQ(mail.sender + " " + mail.user + "|" + mail.password + "|", "pat@example.com pat| pass word |");
    EXPECT_EQ(m_folder.Read("settings.ini").find("pass word"), std::string::npos)
        << "the password has a file of its own";
    MailSettingsDialog again(nullptr, m_context);
    EXPECT_EQ(Control<QComboBox>(again, MailIds::kSecurity)->currentText() + Text(again, MailIds::kPassword),
              "SMTPS pass word ");
    Type(again, MailIds::kPassword, "");
    Click(again, MailIds::kOk);
    EXPECT_FALSE(PathExists(MailPasswordPath(m_context.send)));
    EXPECT_EQ(LoadMailSettings(m_context.send).password, "");
}
