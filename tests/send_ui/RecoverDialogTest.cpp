#include "RecoverDialog.h"

#include "AudioBackend.h"
#include "FileOps.h"
#include "IniValues.h"
#include "RecordKeys.h"
#include "SendDialogTestSupport.h"
#include "SettingsKeys.h"
#include "Status.h"
#include "TypistRecipient.h"

#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <ctime>

namespace {

constexpr int64_t kSendDate = 1796472000; // 2026-12-05 12:00 UTC: the same day in every time zone near UTC

QStringList Lines(const QListWidget* list) {
    QStringList lines;
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text();
    return lines;
}

void Click(const QWidget& dialog, int id) {
    Control<QPushButton>(dialog, id)->click();
}

std::string LocalDate(int64_t seconds) {
    const auto time = static_cast<std::time_t>(seconds);
    std::tm local{};
    localtime_r(&time, &local);
    char text[48];
    std::snprintf(text, sizeof text, "%.4d-%.2d-%.2d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    return text;
}

class RecoverDialogTest : public SendDialogTest {
protected:
    RecoverDialogTest() {
        MakeSentDictation(SentFolder(), "Letter: to bank", kSendDate, "Jane (/typing/Jane)", "Sent", 17);
        MakeSentDictation(SentFolder(), "Memo", kSendDate - 86400, "Jo (jo@example.com)", "Done", 18);
        m_status.SetCollectFromFtp(false);
        m_context.queue.isQueued = [this](const std::string& path) { return m_queued.contains(path); };
        m_context.queue.remove = [this](const std::string& path) {
            m_removed.push_back(path);
            return m_removeWorks && m_queued.erase(path) > 0;
        };
    }

    std::unique_ptr<RecoverDialog> Open(RecoverDialogMode mode) {
        return std::make_unique<RecoverDialog>(nullptr, mode, m_context, m_status, *m_backend);
    }
    static QListWidget* List(const RecoverDialog& dialog) { return Control<QListWidget>(dialog, RecoverDialog::kList); }
    static void Select(const RecoverDialog& dialog, const QString& containing) {
        QListWidget* list = List(dialog);
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->text().contains(containing))
                list->setCurrentRow(i);
    }
    // Which of the dictation's three files are in "Current Files/" and in "Sent Files/": "ccc/sss" style.
    std::string Where(const std::string& name) const {
        std::string where;
        for (const std::string& folder : {CurrentFolder(), SentFolder()}) {
            for (const char* extension : {".wav", ".dat", ".txt"})
                where += PathExists(JoinPath(folder, name + extension)) ? 'x' : '-';
            where += folder == CurrentFolder() ? "/" : "";
        }
        return where;
    }
    void WaitForPass() {
        EXPECT_TRUE(QTest::qWaitFor([this] { return !m_status.IsRunning(); }, 10000));
        QCoreApplication::processEvents();
    }

    Status m_status{m_context.send};
    std::string m_output = m_folder / "played.wav";
    std::unique_ptr<AudioBackend> m_backend = [this] {
        FileAudioOptions options;
        options.outputPath = m_output;
        options.pacing = FilePacing::Fast;
        return CreateFileBackend(options);
    }();
    std::set<std::string> m_queued;
    std::vector<std::string> m_removed;
    bool m_removeWorks = true;
};

} // namespace

TEST_F(RecoverDialogTest, TheSentDictationsAreListedInDateOrderWithRecipientAndStatus) {
    auto dialog = Open(RecoverDialogMode::Recover);
    EXPECT_EQ(dialog->windowTitle(), "Recover Sent Dictations");
    EXPECT_TRUE(Control<QPushButton>(*dialog, RecoverDialog::kRecover)->isVisibleTo(dialog.get()));
    EXPECT_EQ(Control<QPushButton>(*dialog, RecoverDialog::kCancel)->text(), "Cancel");
    EXPECT_EQ(Control<QPushButton>(*dialog, RecoverDialog::kPlay)->text(), "&Play");
    const QStringList expected{
        QString::fromStdString(LocalDate(kSendDate - 86400) + " Memo: Sent to [Jo (jo@example.com)] status [Done]"),
        QString::fromStdString(LocalDate(kSendDate) + " Letter: to bank: Sent to [Jane (/typing/Jane)] status [Sent]")};
    EXPECT_EQ(Lines(List(*dialog)), expected);
    EXPECT_EQ(dialog->SelectedName(), "");
    Select(*dialog, "bank");
    EXPECT_EQ(dialog->SelectedName(), "Letter: to bank") << "the name comes with the line, colon and all";
    WaitForPass();
}

TEST_F(RecoverDialogTest, ADictationTheQueueGaveUpOnIsShownAsNotSent) {
    const std::string record = JoinPath(SentFolder(), "Memo.dat");
    ASSERT_TRUE(WriteStringValue(record, RecordKeys::kDelivery, "Not sent"));
    ASSERT_TRUE(FlushProfile(record));
    auto dialog = Open(RecoverDialogMode::ViewProgress);
    EXPECT_TRUE(Lines(List(*dialog))[0].endsWith("status [Done] - Not sent")) << Lines(List(*dialog))[0].toStdString();
    EXPECT_FALSE(Lines(List(*dialog))[1].contains("Not sent"));
    WaitForPass();
}

TEST_F(RecoverDialogTest, ViewModeSaysCloseAndNeverRecovers) {
    auto dialog = Open(RecoverDialogMode::ViewProgress);
    EXPECT_EQ(dialog->windowTitle(), "Work Progress");
    EXPECT_FALSE(Control<QPushButton>(*dialog, RecoverDialog::kRecover)->isVisibleTo(dialog.get()));
    EXPECT_EQ(Control<QPushButton>(*dialog, RecoverDialog::kCancel)->text(), "Close");
    Select(*dialog, "Memo");
    dialog->accept(); // what Enter would reach
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(Where("Memo"), "---/xxx");
    WaitForPass();
}

TEST_F(RecoverDialogTest, RecoverMovesTheSelectedDictationBackAndClosesWithOk) {
    auto dialog = Open(RecoverDialogMode::Recover);
    Select(*dialog, "bank");
    Click(*dialog, RecoverDialog::kRecover);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(Where("Letter: to bank"), "xxx/---");
    EXPECT_TRUE(m_removed.empty()) << "a dictation not queued is not taken out of the queue";
    EXPECT_EQ(ReadStringValue(JoinPath(CurrentFolder(), "Letter: to bank.dat"), RecordKeys::kRecipient),
              "Jane (/typing/Jane)");
    WaitForPass();
}

TEST_F(RecoverDialogTest, RecoverWithNothingSelectedClosesAsCancel) {
    auto dialog = Open(RecoverDialogMode::Recover);
    Click(*dialog, RecoverDialog::kRecover);
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_TRUE(m_messages.empty());
    WaitForPass();
}

TEST_F(RecoverDialogTest, AQueuedDictationIsTakenOutOfTheQueueFirst) {
    const std::string wave = JoinPath(SentFolder(), "Memo.wav");
    m_queued.insert(wave);
    auto dialog = Open(RecoverDialogMode::Recover);
    Select(*dialog, "Memo");
    Click(*dialog, RecoverDialog::kRecover);
    EXPECT_EQ(m_removed, std::vector<std::string>{wave});
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(Where("Memo"), "xxx/---");
    WaitForPass();
}

TEST_F(RecoverDialogTest, AQueuedDictationThatCannotLeaveTheQueueStaysSent) {
    m_queued.insert(JoinPath(SentFolder(), "Memo.wav"));
    m_removeWorks = false;
    auto dialog = Open(RecoverDialogMode::Recover);
    Select(*dialog, "Memo");
    Click(*dialog, RecoverDialog::kRecover);
    EXPECT_NE(dialog->result(), QDialog::Accepted);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_NE(m_messages[0].find("could not be taken out of the send queue"), std::string::npos);
    EXPECT_EQ(Where("Memo"), "---/xxx");
    WaitForPass();
}

TEST_F(RecoverDialogTest, ACurrentDictationOfTheSameNameIsNeverReplaced) {
    const std::string wave = JoinPath(SentFolder(), "Memo.wav");
    m_queued.insert(wave);
    m_folder.Write("Current Files/MEMO.txt", std::string_view("mine\0", 5));
    auto dialog = Open(RecoverDialogMode::Recover);
    Select(*dialog, "Memo");
    Click(*dialog, RecoverDialog::kRecover);
    EXPECT_NE(dialog->result(), QDialog::Accepted);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0], "Recover Sent Dictations: A current dictation is named \"Memo\". Rename or delete it, "
                             "then recover this dictation again.");
    EXPECT_TRUE(m_removed.empty()) << "refused before the queue is touched";
    EXPECT_EQ(Where("Memo"), "---/xxx");
    EXPECT_EQ(m_folder.Read("Current Files/MEMO.txt"), std::string("mine\0", 5));
    WaitForPass();
}

TEST_F(RecoverDialogTest, TheListFollowsTheStatusTheWorkerMerges) {
    // A folder recipient whose typist left a status file for user 0: dictation 17 is being typed.
    TypistRecipient typist;
    typist.SetMethod(SendMethod::Lan);
    typist.SetText(RecipientField::Folder, m_folder / "typist/");
    ASSERT_TRUE(typist.Save(RecipientFile(0)));
    SetCount(1, 0);
    std::string status(4, '\0');
    status += std::string("\x11\0\0\0", 4) + std::string("Typing").append(10, '\0');
    m_folder.Write("typist/s0000000.sta", status);

    auto dialog = Open(RecoverDialogMode::ViewProgress);
    EXPECT_TRUE(
        QTest::qWaitFor([&dialog] { return Lines(List(*dialog)).join("\n").contains("status [Typing]"); }, 10000));
    EXPECT_FALSE(PathExists(m_folder / "typist/s0000000.sta"));
    dialog->reject();
    WaitForPass();
}

TEST_F(RecoverDialogTest, PlayPlaysTheSelectedDictationAndTheButtonFollowsThePlayer) {
    auto dialog = Open(RecoverDialogMode::Recover);
    auto* play = Control<QPushButton>(*dialog, RecoverDialog::kPlay);
    play->click(); // nothing selected: nothing to play
    EXPECT_FALSE(dialog->IsPlaying());

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
    EXPECT_TRUE(m_messages.empty());
    EXPECT_GT(m_folder.Read("played.wav").size(), 44u + 1000u);
    WaitForPass();
}

TEST_F(RecoverDialogTest, AMissingSoundFileCannotBePlayedAndSaysSo) {
    ASSERT_TRUE(RemoveFile(JoinPath(SentFolder(), "Memo.wav")));
    auto dialog = Open(RecoverDialogMode::Recover);
    Select(*dialog, "Memo");
    Click(*dialog, RecoverDialog::kPlay);
    EXPECT_FALSE(dialog->IsPlaying());
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_NE(m_messages[0].find("cannot be played"), std::string::npos);
    WaitForPass();
}

TEST_F(RecoverDialogTest, TheEntryPointTellsWhetherADictationWasRecovered) {
    WhenModalOpens<RecoverDialog>([](RecoverDialog* dialog) { Click(*dialog, RecoverDialog::kCancel); });
    EXPECT_FALSE(RunRecoverDialog(nullptr, RecoverDialogMode::Recover, m_context, m_status, *m_backend));
    WhenModalOpens<RecoverDialog>([](RecoverDialog* dialog) {
        Select(*dialog, "Memo");
        Click(*dialog, RecoverDialog::kRecover);
    });
    EXPECT_TRUE(RunRecoverDialog(nullptr, RecoverDialogMode::Recover, m_context, m_status, *m_backend));
    EXPECT_EQ(Where("Memo"), "xxx/---");
    WaitForPass();
}
