// The send dialogs: a recipient's properties, the recipient list, the choice of a send's recipient, the user's
// details and identity and the mail settings (what each writes, refuses, and says when it cannot save); and the
// work-progress and recovery dialog (the sent dictations with their status as the status worker merges it, playing
// one, and recovery through the recovery host with a text for each of its answers).
#include "send/ui/SendDialogs.h"

#include "SpeechLikeWave.h"
#include "TempFolder.h"
#include "platform/AudioBackend.h"
#include "platform/FileOps.h"
#include "send/MailConfig.h"
#include "send/Status.h"
#include "send/TypistRecipient.h"
#include "send/ui/MailSettingsDialog.h"
#include "send/ui/RecipientSettingsDialog.h"
#include "send/ui/RecoverDialog.h"
#include "send/ui/SelectedSendDialog.h"
#include "send/ui/SendToDialog.h"
#include "send/ui/UserIdentityDialog.h"
#include "send/ui/UserSettingsDialog.h"
#include "store/IniValues.h"
#include "store/SettingsKeys.h"
#include "ui/DialogUnits.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gmock/gmock.h>

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// Writes down the renumberings asked of it and answers `renumberWorks`; holds nothing.
struct FakeSendQueue final : SendQueue {
    bool Add(const std::string&, int) override { return false; }
    bool IsQueued(const std::string&) const override { return false; }
    bool Remove(const std::string&) override { return false; }
    bool RenumberRecipients(int deletedIndex) override {
        renumbered.push_back(deletedIndex);
        return renumberWorks;
    }
    float ShownProgress() const override { return 0; }
    void SetNotify(Poster*, std::function<void()>) override {}
    std::optional<QueueFailure> TakeFailure() override { return std::nullopt; }
    std::vector<QueueNotice> TakeNotices() override { return {}; }
    std::vector<DeliveryNotice> TakeDeliveries() override { return {}; }
    void CancelRecipient(int) override {}
    void RetryDue() override {}

    std::vector<int> renumbered;
    bool renumberWorks = true;
};

class SendDialogTest : public ::testing::Test {
protected:
    SendDialogTest() {
        m_context.send = SendContext{m_folder.Path(), m_settings, m_folder / "Sent Files/"};
        EXPECT_TRUE(MakeFolders(m_context.send.sentFolder));
        m_context.queue = &m_queue;
        m_context.prompts.warn = [this](QWidget*, const QString& caption, const QString& text) {
            m_messages.push_back((caption + ": " + text).toStdString());
        };
        m_context.prompts.confirm = [this](QWidget*, const QString& caption, const QString& text) {
            m_questions.push_back((caption + ": " + text).toStdString());
            return m_answer;
        };
        m_context.chooseFormat = [this](std::span<uint8_t> area, QWidget*) {
            std::fill(std::copy(m_chosen.begin(), m_chosen.end(), area.begin()), area.end(), uint8_t{0});
            return m_chooseFormat;
        };
    }

    template <typename T> static T* Control(const QWidget& dialog, int id) {
        auto* control = qobject_cast<T*>(FindControl(&dialog, id));
        EXPECT_NE(control, nullptr) << "control " << id;
        return control;
    }
    static void Click(const QWidget& dialog, int id) { Control<QAbstractButton>(dialog, id)->click(); }
    static void Type(const QWidget& dialog, int id, const QString& text) {
        Control<QLineEdit>(dialog, id)->setText(text);
    }
    static QString Text(const QWidget& dialog, int id) { return Control<QLineEdit>(dialog, id)->text(); }
    static bool Checked(const QWidget& dialog, int id) { return Control<QAbstractButton>(dialog, id)->isChecked(); }
    static QStringList Lines(const QWidget& dialog, int id) {
        QStringList lines;
        for (const QListWidgetItem* item : Control<QListWidget>(dialog, id)->findItems("", Qt::MatchStartsWith))
            lines << item->text();
        return lines;
    }

    // Runs `act` on the modal dialog of type T that the next exec() shows.
    template <typename T> static void WhenModalOpens(std::function<void(T*)> act) {
        QTimer::singleShot(0, [act] {
            auto* dialog = dynamic_cast<T*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            act(dialog);
        });
    }

    std::string RecipientFile(int index) const { return RecipientPath(m_context.send.programFolder, index); }
    int ReadSetting(const IntKey& key) const { return ReadIntValue(m_settings, key); }
    void WriteSetting(const IntKey& key, int value) {
        ASSERT_TRUE(WriteIntValue(m_settings, key, value) && FlushProfile(m_settings));
    }
    std::string ReadSetting(const StringKey& key) const {
        return ReadStringValue(m_settings, key.section, key.name, "-");
    }
    void WriteSetting(const StringKey& key, const std::string& value) {
        ASSERT_TRUE(WriteStringValue(m_settings, key, value) && FlushProfile(m_settings));
    }
    TypistRecipient Recipient(int index) const {
        TypistRecipient recipient;
        EXPECT_TRUE(recipient.Load(RecipientFile(index))) << index;
        return recipient;
    }
    WaveFormatRecord StoredFormat(int index) const {
        bool unusable = false;
        return Recipient(index).FormatOrDefault(unusable);
    }
    // Recipients named by `names`, each sent by LAN to "/typing/<name>", and the settings keys.
    void MakeRecipients(const std::vector<std::string>& names, int defaultIndex) {
        for (size_t i = 0; i < names.size(); ++i) {
            TypistRecipient recipient;
            recipient.SetText(RecipientField::Name, names[i]);
            recipient.SetMethod(SendMethod::Lan);
            recipient.SetText(RecipientField::Folder, "/typing/" + names[i]);
            ASSERT_TRUE(recipient.Save(RecipientFile(static_cast<int>(i))));
        }
        WriteSetting(SettingsKeys::kSendCount, static_cast<int>(names.size()));
        WriteSetting(SettingsKeys::kSendDefault, defaultIndex);
    }

    TempFolder m_folder;
    const std::string m_settings = m_folder / "settings.ini";
    FakeSendQueue m_queue;
    SendDialogContext m_context;
    std::vector<std::string> m_messages;  // "<caption>: <text>" of every warning
    std::vector<std::string> m_questions; // the same of every question
    bool m_answer = true;                 // what every question is answered
    // What the format chooser hands back; empty: an area without a usable format.
    std::vector<uint8_t> m_chosen = WaveFormatRecord::Pcm(11025, 2, 16).Serialize();
    bool m_chooseFormat = true; // false: the user cancelled the chooser
};

using Ids = SendToDialog::ControlId;
using ListIds = RecipientSettingsDialog::ControlId;
using UserIds = UserSettingsDialog::ControlId;
using IdentityIds = UserIdentityDialog::ControlId;
using MailIds = MailSettingsDialog::ControlId;

QString Label(const QWidget& dialog, int id) {
    const auto* label = qobject_cast<const QLabel*>(FindControl(&dialog, id));
    return label ? label->text() : QStringLiteral("<not a label>");
}

TEST_F(SendDialogTest, ARecipientTypedIntoThePropertiesDialogIsStoredFieldByFieldAndShownAgain) {
    const std::pair<Ids, RecipientField> fields[] = {
        {Ids::kEmailAddress, RecipientField::EmailAddress}, {Ids::kFolder, RecipientField::Folder},
        {Ids::kServer, RecipientField::FtpServer},          {Ids::kUser, RecipientField::FtpUser},
        {Ids::kPassword, RecipientField::FtpPassword},      {Ids::kDirectory, RecipientField::FtpDirectory}};
    const auto typed = [](int id) { return "field " + std::to_string(id) + " "; }; // blanks are the transport's
    SendToDialog dialog(nullptr, m_context, 0);
    Type(dialog, Ids::kName, QString(40, 'N'));
    Click(dialog, Ids::kFtpMethod);
    for (const auto& [id, field] : fields)
        Type(dialog, id, QString::fromStdString(typed(id)));
    Click(dialog, Ids::kFtpOverTls);
    Click(dialog, Ids::kVerifyCertificate); // on by default: now off
    Click(dialog, Ids::kOk);
    EXPECT_EQ(Recipient(0).Name(), std::string(31, 'N'));

    // Opened again it shows what was stored; an emptied name keeps the stored one, an emptied field is emptied.
    SendToDialog again(nullptr, m_context, 0);
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
    SendToDialog dialog(nullptr, m_context, 0);
    EXPECT_TRUE(Checked(dialog, Ids::kEmailMethod) && !Control<QWidget>(dialog, Ids::kFolder)->isEnabled())
        << "e-mail with only its own fields enabled";
    Type(dialog, Ids::kName, "Typed");
    Click(dialog, Ids::kSelectFormat);
    EXPECT_EQ(StoredFormat(0), WaveFormatRecord::Pcm(11025, 2, 16));
    EXPECT_EQ(Label(dialog, Ids::kFormatText), "Format: PCM 16-bit, 11,025 Hz, 16 Bit, Stereo, 44,100 bytes/s");
    // The folder chooser fills the folder field; it is offered with the folder method only.
    m_context.chooseFolder = [](QWidget*, const std::string& start) { return start + "/Typing Pool"; };
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
    EXPECT_THAT(m_messages,
                ElementsAre("Send To Typist Recipient Properties: The chosen format cannot be kept for this recipient.",
                            ::testing::StartsWith("Mail Settings required: WARNING:")));
    EXPECT_EQ(Recipient(0).Name() + " " + std::to_string(Recipient(0).MethodValue()), "Typed 0");
    EXPECT_EQ(StoredFormat(0), WaveFormatRecord::Pcm(11025, 2, 16));
}

TEST_F(SendDialogTest, NewPropertiesAndSetDefaultChangeTheListAndTheCountOnlyWhenTheirDialogEndsWithOk) {
    RecipientSettingsDialog dialog(nullptr, m_context);
    // A cancelled new recipient whose format was chosen leaves its file (the next one starts from it), not the count.
    const std::tuple<int, const char*, int, QStringList> steps[] = {
        {ListIds::kNewRecipient, nullptr, 0, {}},
        {ListIds::kNewRecipient, "A", 0, {"A DEFAULT (/typing/A)"}},
        {ListIds::kNewRecipient, "B", 1, {"A DEFAULT (/typing/A)", "B (/typing/B)"}},
        {ListIds::kProperties, "Bea", 1, {"A (/typing/A)", "Bea DEFAULT (/typing/B)"}}};
    for (const auto& [button, name, index, lines] : steps) {
        WhenModalOpens<SendToDialog>([name = name, index = index](SendToDialog* properties) {
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
        EXPECT_EQ(m_questions.size(), 1u);
        EXPECT_EQ(ReadSetting(SettingsKeys::kSendCount), test.answer ? 2 : 3);
        EXPECT_EQ(m_queue.renumbered, test.answer && test.queue ? std::vector<int>{1} : std::vector<int>{});
        if (!test.answer)
            continue;
        EXPECT_EQ(Lines(dialog, ListIds::kList), (QStringList{"A (/typing/A)", "C DEFAULT (/typing/C)"}));
        EXPECT_EQ(m_messages.size(), test.queueFollows ? 0u : 1u);
        EXPECT_THAT(m_messages, ::testing::Each(HasSubstr("waiting to be sent could not be moved")));
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
        EXPECT_THAT(m_messages, ElementsAre(HasSubstr(text)));
        EXPECT_NE(dialog->result(), QDialog::Accepted);
    }
}

TEST_F(SendDialogTest, MailSettingsAreStoredOnlyWithAGoodPortAndWithTheUsersYesToAPasswordWithoutSecurity) {
    WriteSetting(MailKeys::kServer, "mail.example.com");
    WriteSetting(MailKeys::kPort, 587);
    MailSettingsDialog dialog(nullptr, m_context);
    auto* security = Control<QComboBox>(dialog, MailIds::kSecurity);
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
        m_answer = answer;
        Click(dialog, MailIds::kOk);
        EXPECT_EQ(LoadMailSettings(m_context.send).server, stored) << server;
        EXPECT_EQ(m_messages.size(), warnings) << server;
        EXPECT_EQ(m_questions.size(), questions) << server;
    }
    const MailSettings mail = LoadMailSettings(m_context.send);
    EXPECT_EQ(mail.security, MailSecurity::Smtps);
    EXPECT_EQ(mail.sender + " " + mail.user + "|" + mail.password + "|", "pat@example.com pat| pass word |");
    EXPECT_EQ(m_folder.Read("settings.ini").find("pass word"), std::string::npos)
        << "the password has a file of its own";
    MailSettingsDialog again(nullptr, m_context);
    Type(again, MailIds::kPassword, "");
    Click(again, MailIds::kOk);
    EXPECT_FALSE(PathExists(MailPasswordPath(m_context.send)));
}

constexpr int64_t kSendDate = 1796472000; // 2026-12-05 12:00 UTC: the same day in every time zone near UTC

// The dialog's recovery host: finds the sent waves, writes down what it is asked to recover and answers m_result.
class RecoverDialogTest : public SendDialogTest, public RecoveryHost {
protected:
    RecoverDialogTest() {
        m_context.recovery = this;
        const std::pair<std::string, std::string> sent[] = {
            {"Letter: to bank",
             "number=17\nsenddate=" + std::to_string(kSendDate) + "\nrecipient=Jane (/typing/Jane)\nsendstatus=Sent\n"},
            {"Memo", "number=18\nsenddate=" + std::to_string(kSendDate - 86400) + // given up on
                         "\nrecipient=Jo (jo@example.com)\nsendstatus=Done\ndelivery=Not sent\n"}};
        for (const auto& [name, record] : sent) {
            m_folder.Write("Sent Files/" + name + ".dat", "[file]\n" + record);
            EXPECT_TRUE(WriteSpeechLikeWave(SentWavePath(name), 0.2));
        }
        m_status.SetCollectFromFtp(false);
    }
    ~RecoverDialogTest() override {
        EXPECT_TRUE(QTest::qWaitFor([this] { return !m_status.IsRunning(); }, 10000));
    }

    std::string SentWavePath(const std::string& name) const override {
        return m_context.send.sentFolder + name + ".wav";
    }
    StoreResult RecoverSent(const std::string& name) override {
        m_recovered.push_back(name);
        return m_result;
    }
    static void Select(const RecoverDialog& dialog, const QString& containing) {
        auto* list = Control<QListWidget>(dialog, RecoverDialog::kList);
        list->setCurrentItem(list->findItems(containing, Qt::MatchContains).value(0));
    }

    std::vector<std::string> m_recovered;
    StoreResult m_result = StoreResult::Done;
    Status m_status{m_context.send};
    std::unique_ptr<AudioBackend> m_backend = [this] {
        FileAudioOptions options;
        options.outputPath = m_folder / "played.wav";
        options.pacing = FilePacing::Fast;
        return CreateFileBackend(options);
    }();
};

TEST_F(RecoverDialogTest, RecoverClosesWithOkWhenTheHostRecoveredAndOtherwiseSaysWhyAndStaysOpen) {
    const std::tuple<const char*, StoreResult, const char*> cases[] = {
        {nullptr, StoreResult::Done, nullptr}, // nothing selected: closes as Cancel
        {"Memo", StoreResult::Done, nullptr},
        {"Memo", StoreResult::NameTaken,
         "A current dictation is named \"Memo\". Rename or delete it, then recover this dictation again."},
        {"Memo", StoreResult::StillQueued, "could not be taken out of the send queue"},
        {"Memo", StoreResult::NotFound, "its sound file is no longer in the sent dictations"},
        {"Memo", StoreResult::FileError, "could not be moved back to the current dictations"}};
    for (const auto& [select, result, message] : cases) {
        SCOPED_TRACE(StoreResultName(result));
        m_result = result;
        m_recovered.clear();
        m_messages.clear();
        bool stayedOpen = false;
        WhenModalOpens<RecoverDialog>([&, select = select](RecoverDialog* dialog) {
            Select(*dialog, select ? select : "none");
            Click(*dialog, RecoverDialog::kRecover);
            if ((stayedOpen = dialog->isVisible()))
                Click(*dialog, RecoverDialog::kCancel);
        });
        const bool done = select && result == StoreResult::Done;
        EXPECT_EQ(RunRecoverDialog(nullptr, RecoverDialogMode::Recover, m_context, m_status, *m_backend), done);
        EXPECT_EQ(stayedOpen, select && !done);
        EXPECT_EQ(m_recovered, select ? std::vector<std::string>{select} : std::vector<std::string>{});
        EXPECT_EQ(m_messages.size(), message ? 1u : 0u);
        EXPECT_THAT(m_messages, ::testing::Each(::testing::AllOf(::testing::StartsWith("Recover Sent Dictations: "),
                                                                 HasSubstr(message ? message : ""))));
    }
}

TEST_F(RecoverDialogTest,
       TheProgressListFollowsTheMergedStatusPlaysTheSelectedDictationNeverRecoversAndNeedsNoRecoveryHost) {
    // A folder recipient whose typist left a status file for user 0: dictation 17 is being typed.
    TypistRecipient typist;
    typist.SetMethod(SendMethod::Lan);
    typist.SetText(RecipientField::Folder, m_folder / "typist/");
    ASSERT_TRUE(typist.Save(RecipientFile(0)));
    WriteSetting(SettingsKeys::kSendCount, 1);
    m_folder.Write("typist/s0000000.sta",
                   std::string(4, '\0') + std::string("\x11\0\0\0", 4) + std::string("Typing").append(10, '\0'));

    auto dialog =
        std::make_unique<RecoverDialog>(nullptr, RecoverDialogMode::ViewProgress, m_context, m_status, *m_backend);
    const auto date = [](int64_t seconds) { return QDateTime::fromSecsSinceEpoch(seconds).toString("yyyy-MM-dd"); };
    EXPECT_EQ(Lines(*dialog, RecoverDialog::kList).value(0),
              date(kSendDate - 86400) + " Memo: Sent to [Jo (jo@example.com)] status [Done] - Not sent");
    const QString typing = date(kSendDate) + " Letter: to bank: Sent to [Jane (/typing/Jane)] status [Typing]";
    EXPECT_TRUE(QTest::qWaitFor([&] { return Lines(*dialog, RecoverDialog::kList).value(1) == typing; }, 10000))
        << Lines(*dialog, RecoverDialog::kList).join("\n").toStdString();

    // Play: with nothing selected nothing plays; a missing sound says so; the button follows the player.
    auto* play = Control<QPushButton>(*dialog, RecoverDialog::kPlay);
    play->click();
    ASSERT_TRUE(RemoveFile(SentWavePath("Letter: to bank")));
    Select(*dialog, "bank");
    EXPECT_EQ(dialog->SelectedName(), "Letter: to bank") << "the name comes with the line, colon and all";
    play->click();
    EXPECT_THAT(m_messages, ElementsAre(HasSubstr("cannot be played")));
    Select(*dialog, "Memo");
    play->click();
    EXPECT_EQ(play->text(), "&Stop");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dialog->IsPlaying(); }, 10000));
    EXPECT_EQ(play->text(), "&Play");
    EXPECT_GT(m_folder.Read("played.wav").size(), 44u + 1000u);

    dialog->accept(); // what Enter would reach
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_TRUE(m_recovered.empty());
    m_context.recovery = nullptr; // the dialogs' context allows it: the list is then only shown
    const RecoverDialog shown(nullptr, RecoverDialogMode::ViewProgress, m_context, m_status, *m_backend);
    EXPECT_EQ(Lines(shown, RecoverDialog::kList).size(), 2);
}

} // namespace
