// The work-progress and recovery dialog: the sent dictations with their status as the status worker merges it,
// playing one, and recovery through the recovery host with a text for each of its answers.
#include "send/ui/RecoverDialog.h"

#include "SendDialogTestSupport.h"
#include "SpeechLikeWave.h"
#include "platform/AudioBackend.h"
#include "send/Status.h"

#include <QDateTime>
#include <QPushButton>
#include <QTest>

namespace {

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

} // namespace

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
        ASSERT_EQ(m_messages.size(), message ? 1u : 0u);
        EXPECT_TRUE(!message || (m_messages[0].starts_with("Recover Sent Dictations: ") &&
                                 m_messages[0].find(message) != std::string::npos))
            << m_messages[0];
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
    EXPECT_FALSE(Control<QPushButton>(*dialog, RecoverDialog::kRecover)->isVisibleTo(dialog.get()));
    const auto date = [](int64_t seconds) { return QDateTime::fromSecsSinceEpoch(seconds).toString("yyyy-MM-dd"); };
    EXPECT_EQ(Lines(*dialog, RecoverDialog::kList).value(0),
              date(kSendDate - 86400) + " Memo: Sent to [Jo (jo@example.com)] status [Done] - Not sent");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return Lines(*dialog, RecoverDialog::kList).value(1) ==
                   date(kSendDate) + " Letter: to bank: Sent to [Jane (/typing/Jane)] status [Typing]";
        },
        10000))
        << Lines(*dialog, RecoverDialog::kList).join("\n").toStdString();
    EXPECT_FALSE(PathExists(m_folder / "typist/s0000000.sta"));

    // Play: with nothing selected nothing plays; a missing sound says so; the button follows the player.
    auto* play = Control<QPushButton>(*dialog, RecoverDialog::kPlay);
    play->click();
    EXPECT_EQ(dialog->SelectedName(), "");
    ASSERT_TRUE(RemoveFile(SentWavePath("Letter: to bank")));
    Select(*dialog, "bank");
    EXPECT_EQ(dialog->SelectedName(), "Letter: to bank") << "the name comes with the line, colon and all";
    play->click();
    EXPECT_FALSE(dialog->IsPlaying());
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_NE(m_messages[0].find("cannot be played"), std::string::npos);
    Select(*dialog, "Memo");
    QStringList texts{play->text()};
    play->click();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            if (texts.back() != play->text())
                texts << play->text();
            return !dialog->IsPlaying() && texts.size() >= 3;
        },
        10000));
    EXPECT_EQ(texts, (QStringList{"&Play", "&Stop", "&Play"}));
    EXPECT_EQ(m_messages.size(), 1u);
    EXPECT_GT(m_folder.Read("played.wav").size(), 44u + 1000u);

    dialog->accept(); // what Enter would reach
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_TRUE(m_recovered.empty());
    m_context.recovery = nullptr; // the dialogs' context allows it: the list is then only shown
    const RecoverDialog shown(nullptr, RecoverDialogMode::ViewProgress, m_context, m_status, *m_backend);
    EXPECT_EQ(Lines(shown, RecoverDialog::kList).size(), 2);
}
