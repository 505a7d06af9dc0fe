// The main window's form: layout, list operations, details, sending, status line, progress, keys, start and close.
#include "BGSend.h"
#include "DialogUnits.h"
#include "DictationLayout.h"
#include "DictationStore.h"
#include "DictationTransport.h"
#include "FilesListBox.h"
#include "IniValues.h"
#include "LDBDisplay.h"
#include "MainFrame.h"
#include "MainWindowTestSupport.h"
#include "PressButton.h"
#include "RecordKeys.h"
#include "SettingsKeys.h"
#include "TypistRecipient.h"
#include "WaveFile.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QWizard>
#include <cmath>
#include <filesystem>
#include <mutex>

namespace {

bool Exists(const std::string& path) {
    return std::filesystem::exists(path);
}

class MainWindowLayout : public MainWindowTest {};
class MainWindowDictationList : public MainWindowTest {};
class MainWindowDetails : public MainWindowTest {};
class MainWindowSending : public MainWindowTest {};
class MainWindowStatusLine : public MainWindowTest {};
class MainWindowKeyboard : public MainWindowTest {};
class MainWindowStartAndClose : public MainWindowTest {};

} // namespace

// ---- layout ----

TEST_F(MainWindowLayout, ControlsSitAtTheirDialogUnitsForTheFont) {
    MainDialog& form = Open();
    // Dialog units from the font as the old templates computed them.
    const QFontMetrics metrics(form.font());
    const int letters =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    const int baseWidth = (letters / 26 + 1) / 2;
    const int baseHeight = metrics.height();
    auto rect = [&](int x, int y, int w, int h) {
        return QRect(x * baseWidth / 4, y * baseHeight / 8, w * baseWidth / 4, h * baseHeight / 8);
    };
    EXPECT_EQ(form.size(), rect(0, 0, 276, 108).size());
    EXPECT_EQ(Control(MainDialog::kList)->geometry(), rect(4, 12, 60, 43));
    EXPECT_EQ(Control(MainDialog::kNew)->geometry(), rect(66, 12, 40, 14));
    EXPECT_EQ(Control(MainDialog::kSend)->geometry(), rect(66, 27, 40, 14));
    EXPECT_EQ(Control(MainDialog::kNotes)->geometry(), rect(112, 13, 160, 34));
    EXPECT_EQ(Control(MainDialog::kRecord)->geometry(), rect(37, 71, 32, 20));
    EXPECT_EQ(Control(MainDialog::kForward)->geometry(), rect(169, 71, 32, 20));
    EXPECT_EQ(Control(MainDialog::kScroll)->geometry(), rect(136, 62, 65, 8));
    EXPECT_EQ(Control(MainDialog::kProgress)->geometry(), rect(214, 96, 62, 12));
    EXPECT_EQ(Control(MainDialog::kStatus)->geometry(), rect(2, 98, 210, 8));
    // The closed priority box keeps the template's place and width; its dropped list is not part of it.
    const QRect priority = Control(MainDialog::kPriority)->geometry();
    EXPECT_EQ(priority.topLeft(), rect(66, 42, 40, 41).topLeft());
    EXPECT_EQ(priority.width(), rect(66, 42, 40, 41).width());
    EXPECT_TRUE(dynamic_cast<LDBDisplay*>(Control(MainDialog::kLevels)));
    EXPECT_TRUE(dynamic_cast<PressButton*>(Control(MainDialog::kRewind)));
}

TEST_F(MainWindowLayout, TooltipsAndPriorityEntriesAreThoseOfTheWindow) {
    Open();
    EXPECT_EQ(Control(MainDialog::kList)->toolTip(), "List of current dictations");
    EXPECT_EQ(Control(MainDialog::kSend)->toolTip(), "Send dictation for transcription (Ctrl+S)");
    EXPECT_EQ(Control(MainDialog::kNotesFrame)->toolTip(), "Notes about the current dictation");
    EXPECT_EQ(Control(MainDialog::kRewind)->toolTip(), "Rewind (<-)");
    EXPECT_EQ(Control(MainDialog::kProgress)->toolTip(), "Current send progress");
    const auto* priority = static_cast<QComboBox*>(Control(MainDialog::kPriority));
    ASSERT_EQ(priority->count(), 3);
    EXPECT_EQ(priority->itemText(0), "High");
    EXPECT_EQ(priority->itemText(1), "Normal");
    EXPECT_EQ(priority->itemText(2), "Low");
    EXPECT_EQ(static_cast<QScrollBar*>(Control(MainDialog::kScroll))->maximum(), 20);
}

TEST_F(MainWindowLayout, AnEmptyFolderLeavesEverythingButNewAndRecordGreyed) {
    MainDialog& form = Open();
    EXPECT_TRUE(form.CurrentName().empty());
    EXPECT_FALSE(Control(MainDialog::kSend)->isEnabled());
    EXPECT_FALSE(Control(MainDialog::kPriority)->isEnabled());
    EXPECT_FALSE(Control(MainDialog::kNotes)->isEnabled());
    EXPECT_TRUE(Control(MainDialog::kNew)->isEnabled());
    EXPECT_EQ(Control(MainDialog::kPlay)->property("image").toString(), "play-greyed");
    EXPECT_EQ(Control(MainDialog::kStop)->property("image").toString(), "stop-greyed");
    EXPECT_EQ(Control(MainDialog::kRecord)->property("image").toString(), "record-normal");
    for (int id : {MainDialog::kSend, MainDialog::kSendChosen, MainDialog::kRename, MainDialog::kDelete,
                   MainDialog::kPlay, MainDialog::kInsertMode, MainDialog::kDock})
        EXPECT_FALSE(form.Action(id)->isEnabled()) << id;
    for (int id : {MainDialog::kNew, MainDialog::kRecord, MainDialog::kHardwareSettings, MainDialog::kExit})
        EXPECT_TRUE(form.Action(id)->isEnabled()) << id;
    EXPECT_FALSE(Control(MainDialog::kDock)->isEnabled());
}

TEST_F(MainWindowLayout, MenusCarryTheirAcceleratorTexts) {
    MainDialog& form = Open();
    EXPECT_EQ(form.Action(MainDialog::kNew)->text(), "&New\tCtrl+N");
    EXPECT_EQ(form.Action(MainDialog::kSendChosen)->text(), "Send... (Select Recipient)\tCtrl+R");
    EXPECT_EQ(form.Action(MainDialog::kRecover)->text(), "Rec&over Sent Dictations...\tCtrl+O");
    EXPECT_EQ(form.Action(MainDialog::kExit)->text(), "E&xit\tAlt+F4");
    EXPECT_EQ(form.Action(MainDialog::kStop)->text(), "&Stop\tEsc");
    EXPECT_EQ(form.Action(MainDialog::kInsertMode)->text(), "&Insert Mode\tIns");
    EXPECT_EQ(form.Action(MainDialog::kHelpContents)->text(), "&Help Contents\tF1");
    QStringList context;
    for (const QAction* action : form.ContextMenu()->actions())
        context << action->text();
    EXPECT_EQ(context,
              QStringList({"&New\tCtrl+N", "&Send (Default Recipient)\tCtrl+S", "Send (Select Recipient)\tCtrl+R",
                           "&Rename\tF2", "&Delete\tCtrl+Del", "Rec&over Sent Dictations\tCtrl+O"}));
}

// ---- the list ----

TEST_F(MainWindowDictationList, OpensWithTheLastDictationCurrentAtItsEnd) {
    AddDictation("Dictation 10", 2.0);
    AddDictation("Dictation 2", 4.0);
    MainDialog& form = Open();
    EXPECT_EQ(ListedNames(), (std::vector<std::string>{"Dictation 10", "Dictation 2"}));
    EXPECT_EQ(form.CurrentName(), "Dictation 2");
    EXPECT_EQ(form.Transport().Position(), 40000);
    EXPECT_EQ(static_cast<QLabel*>(Control(MainDialog::kPositionText))->text(), " 0:00:04.0");
    EXPECT_EQ(Control(MainDialog::kPlay)->property("image").toString(), "play-normal");
    EXPECT_TRUE(form.Action(MainDialog::kDelete)->isEnabled());
}

TEST_F(MainWindowDictationList, NewListsAndSelectsTheNextNumber) {
    AddDictation("Dictation 1");
    MainDialog& form = Open();
    form.Transport().SetInsertMode(true);
    form.RunCommand(MainDialog::kNew);
    EXPECT_EQ(ListedNames(), (std::vector<std::string>{"Dictation 1", "Dictation 2"}));
    EXPECT_EQ(form.CurrentName(), "Dictation 2");
    EXPECT_TRUE(Exists(CurrentPath("Dictation 2", ".dat")));
    EXPECT_FALSE(form.Transport().InsertMode()); // New leaves insert mode
    EXPECT_EQ(form.Transport().Position(), 0);
}

TEST_F(MainWindowDictationList, RenameMovesTheFilesAndKeepsTheDictationCurrent) {
    AddDictation("Dictation 1");
    AddDictation("Dictation 2");
    MainDialog& form = Open();
    m_typedName = "Smith: letter";
    form.RunCommand(MainDialog::kRename);
    EXPECT_EQ(ListedNames(), (std::vector<std::string>{"Dictation 1", "Smith  letter"}));
    EXPECT_EQ(form.CurrentName(), "Smith  letter");
    EXPECT_TRUE(Exists(CurrentPath("Smith  letter")));
    EXPECT_FALSE(Exists(CurrentPath("Dictation 2")));

    // A taken name is refused with a message; nothing moves.
    m_typedName = "dictation 1";
    form.RunCommand(MainDialog::kRename);
    ASSERT_FALSE(m_messages.empty());
    EXPECT_EQ(m_messages.back().caption, "Rename Dictation");
    EXPECT_TRUE(Exists(CurrentPath("Smith  letter")));
    EXPECT_EQ(form.CurrentName(), "Smith  letter");

    // Cancel changes nothing.
    m_typedName.reset();
    form.RunCommand(MainDialog::kRename);
    EXPECT_EQ(ListedNames(), (std::vector<std::string>{"Dictation 1", "Smith  letter"}));
}

TEST_F(MainWindowDictationList, DeleteAsksFirstAndThenSelectsTheLastEntry) {
    AddDictation("Dictation 1");
    AddDictation("Dictation 2");
    AddDictation("Dictation 3");
    MainDialog& form = Open();
    SelectRow(1);
    m_answer = QMessageBox::No;
    form.RunCommand(MainDialog::kDelete);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].caption, "Confirm Delete");
    EXPECT_EQ(m_messages[0].text, "Are you sure you want to delete this dictation?");
    EXPECT_TRUE(Exists(CurrentPath("Dictation 2")));

    m_answer = QMessageBox::Yes;
    form.RunCommand(MainDialog::kDelete);
    EXPECT_FALSE(Exists(CurrentPath("Dictation 2")));
    EXPECT_FALSE(Exists(CurrentPath("Dictation 2", ".dat")));
    EXPECT_EQ(ListedNames(), (std::vector<std::string>{"Dictation 1", "Dictation 3"}));
    EXPECT_EQ(form.CurrentName(), "Dictation 3");
}

TEST_F(MainWindowDictationList, ARightClickSelectsTheEntryBeforeTheMenuOpens) {
    AddDictation("Dictation 1");
    AddDictation("Dictation 2");
    MainDialog& form = Open();
    form.show();
    auto* list = static_cast<FilesListBox*>(Control(MainDialog::kList));
    const QPoint first = list->visualItemRect(list->item(0)).center();
    QTest::mousePress(list->viewport(), Qt::RightButton, Qt::NoModifier, first);
    EXPECT_EQ(form.CurrentName(), "Dictation 1");
    EXPECT_TRUE(form.ContextMenu()->isVisible());
    form.ContextMenu()->close();
}

// ---- details ----

TEST_F(MainWindowDetails, NotesAndPriorityAreSavedWhenAnotherDictationIsSelected) {
    AddDictation("Dictation 1");
    AddDictation("Dictation 2");
    MainDialog& form = Open();
    auto* notes = static_cast<QPlainTextEdit*>(Control(MainDialog::kNotes));
    QTest::keyClicks(notes, "Ring back");
    KeyDown(notes, Qt::Key_Return);
    QTest::keyClicks(notes, "tomorrow");
    static_cast<QComboBox*>(Control(MainDialog::kPriority))->setCurrentIndex(0);
    SelectRow(0);
    EXPECT_EQ(form.CurrentName(), "Dictation 1");
    EXPECT_EQ(m_folder.Read("Current Files/Dictation 2.txt"), std::string("Ring back\r\ntomorrow") + '\0');
    EXPECT_EQ(form.Store().ReadRecord(StoreFolder::Current, "Dictation 2").priority, "High");
    EXPECT_TRUE(notes->toPlainText().isEmpty());

    SelectRow(1);
    EXPECT_EQ(notes->toPlainText(), "Ring back\ntomorrow");
    EXPECT_EQ(static_cast<QComboBox*>(Control(MainDialog::kPriority))->currentText(), "High");
}

TEST_F(MainWindowDetails, UnchangedNotesAreNotRewritten) {
    AddDictation("Dictation 1");
    AddDictation("Dictation 2");
    Open();
    SelectRow(0);
    EXPECT_FALSE(Exists(CurrentPath("Dictation 2", ".txt")));
}

TEST_F(MainWindowDetails, NotesAndPriorityAreSavedAtClose) {
    AddDictation("Dictation 1");
    Open();
    QTest::keyClicks(Control(MainDialog::kNotes), "Urgent");
    static_cast<QComboBox*>(Control(MainDialog::kPriority))->setCurrentIndex(2);
    CloseForm();
    EXPECT_EQ(m_folder.Read("Current Files/Dictation 1.txt"), std::string("Urgent") + '\0');
    DictationStore store(m_settings.currentFolder, m_settings.sentFolder, m_settings.settingsFile);
    EXPECT_EQ(store.ReadRecord(StoreFolder::Current, "Dictation 1").priority, "Low");
}

// ---- sending ----

TEST_F(MainWindowSending, WithoutRecipientsNothingMovesAndTheUserIsTold) {
    AddDictation("Dictation 1");
    MainDialog& form = Open();
    form.RunCommand(MainDialog::kSend);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].caption, "No Send To Recipients");
    EXPECT_EQ(m_messages[0].icon, QMessageBox::Warning);
    EXPECT_TRUE(m_messages[0].text.startsWith("No Typist Recipients have been set up.\n\nPlease open the Recipient"));
    EXPECT_TRUE(m_queue.added.empty());
    EXPECT_TRUE(Exists(CurrentPath("Dictation 1")));
}

TEST_F(MainWindowSending, ASentDictationLandsInSentFilesAndTheQueue) {
    AddDictation("Dictation 1");
    AddDictation("Dictation 2");
    SetRecipientCount(2);
    ASSERT_TRUE(WriteIntValue(m_settings.settingsFile, SettingsKeys::kSendDefault, 3)); // beyond the count: 0
    MainDialog& form = Open();
    QTest::keyClicks(Control(MainDialog::kNotes), "For Mary");
    form.RunCommand(MainDialog::kSend);
    ASSERT_EQ(m_queue.added.size(), 1u);
    EXPECT_EQ(m_queue.added[0].first, SentPath("Dictation 2"));
    EXPECT_EQ(m_queue.added[0].second, 0);
    EXPECT_TRUE(Exists(SentPath("Dictation 2")));
    EXPECT_FALSE(Exists(CurrentPath("Dictation 2")));
    // The notes typed just before went with it.
    EXPECT_EQ(m_folder.Read("Sent Files/Dictation 2.txt"), std::string("For Mary") + '\0');
    EXPECT_EQ(form.Store().ReadRecord(StoreFolder::Sent, "Dictation 2").sendStatus, "Sent");
    EXPECT_EQ(ListedNames(), (std::vector<std::string>{"Dictation 1"}));
    EXPECT_EQ(form.CurrentName(), "Dictation 1");
    ASSERT_NE(form.SendNotice(), nullptr);
    EXPECT_TRUE(form.SendNotice()->isVisible());
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(MainWindowSending, ANoticeCloseItselfWithoutBlockingTheWindow) {
    AddDictation("Dictation 1");
    SetRecipientCount(1);
    MainDialog& form = Open();
    form.RunCommand(MainDialog::kSend);
    QPointer<QWidget> notice = form.SendNotice();
    ASSERT_TRUE(notice);
    EXPECT_TRUE(QTest::qWaitFor([&] { return notice.isNull(); }, 5000));
}

TEST_F(MainWindowSending, AQueueThatRefusesLeavesTheDictationCurrentAndSaysSo) {
    AddDictation("Dictation 1");
    SetRecipientCount(1);
    m_queue.acceptAdd = false;
    MainDialog& form = Open();
    form.RunCommand(MainDialog::kSend);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].caption, "Send Dictation");
    EXPECT_TRUE(m_messages[0].text.contains("background send process could not take"));
    EXPECT_TRUE(Exists(CurrentPath("Dictation 1")));
    EXPECT_FALSE(Exists(SentPath("Dictation 1")));
    EXPECT_EQ(form.CurrentName(), "Dictation 1");
    EXPECT_EQ(form.SendNotice(), nullptr);
}

TEST_F(MainWindowSending, ASentNameThatIsTakenIsRefused) {
    AddDictation("Dictation 1");
    WriteDictationWave(SentPath("Dictation 1"), 1.0);
    SetRecipientCount(1);
    Open();
    KeyDown(Control(MainDialog::kList), Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_TRUE(m_messages[0].text.contains("Please rename this dictation"));
    EXPECT_TRUE(Exists(CurrentPath("Dictation 1")));
    EXPECT_TRUE(m_queue.added.empty());
}

// ---- status line, queue failures and progress ----

TEST_F(MainWindowStatusLine, TextsRotateEveryOtherTickAndStartAgainAfterTheLast) {
    Open();
    const auto* status = static_cast<QLabel*>(Control(MainDialog::kStatus));
    const std::vector<QString>& texts = MainDialog::StatusTexts();
    ASSERT_EQ(texts.size(), 9u);
    EXPECT_TRUE(texts.back().isEmpty());
    QStringList shown;
    for (int tick = 0; tick < 18; ++tick) {
        m_form->StatusTick();
        shown << status->text();
    }
    EXPECT_EQ(shown[0], texts[0]);
    EXPECT_EQ(shown[1], texts[0]);
    EXPECT_EQ(shown[2], texts[1]);
    EXPECT_EQ(shown[15], texts[7]);
    EXPECT_EQ(shown[16], texts[0]);
}

TEST_F(MainWindowStatusLine, AQueueFailureIsShownOnceAndCancelEmptiesTheQueue) {
    Open();
    m_queue.failure = "Unable to connect to the FTP server.";
    m_answer = QMessageBox::Cancel;
    m_form->StatusTick();
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].caption, "Background Task Error");
    EXPECT_EQ(m_messages[0].buttons, QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(m_queue.cancelAllCalls, 1);
    m_form->StatusTick();
    EXPECT_EQ(m_messages.size(), 1u);

    m_queue.failure = "Again";
    m_answer = QMessageBox::Ok;
    m_form->StatusTick();
    EXPECT_EQ(m_queue.cancelAllCalls, 1); // OK keeps the queue

    m_queue.notices = {"First", "Second"};
    m_form->StatusTick();
    ASSERT_EQ(m_messages.size(), 4u);
    EXPECT_EQ(m_messages[2].text, "First");
    EXPECT_EQ(m_messages[3].buttons, QMessageBox::Ok);
}

TEST_F(MainWindowStatusLine, ProgressFollowsTheQueueWithoutDividingByZero) {
    EXPECT_EQ(MainDialog::ProgressPercent(1.0f), 50);
    EXPECT_EQ(MainDialog::ProgressPercent(0.0f), 0);
    EXPECT_EQ(MainDialog::ProgressPercent(3.0f), 25);
    EXPECT_EQ(MainDialog::ProgressPercent(0.25f), 80);
    EXPECT_EQ(MainDialog::ProgressPercent(-1.0f), 0);
    EXPECT_EQ(MainDialog::ProgressPercent(-0.5f), 100);
    EXPECT_EQ(MainDialog::ProgressPercent(-7.0f), 0);
    EXPECT_EQ(MainDialog::ProgressPercent(std::nanf("")), 0);
    EXPECT_EQ(MainDialog::ProgressPercent(INFINITY), 0);

    m_queue.progress = 1.0f;
    Open();
    auto* bar = static_cast<QProgressBar*>(Control(MainDialog::kProgress));
    EXPECT_EQ(bar->value(), 50); // read once at set-up
    ASSERT_TRUE(m_queue.notify);
    m_queue.progress = 0.0f;
    m_queue.notify();
    EXPECT_EQ(bar->value(), 0);
}

// ---- keyboard ----

TEST_F(MainWindowKeyboard, ATapOfEnterPlaysOnAndASecondTapStops) {
    AddDictation("Dictation 1", 30.0);
    MainDialog& form = Open();
    QWidget* list = Control(MainDialog::kList);
    KeyDown(list, Qt::Key_Return);
    EXPECT_TRUE(form.Transport().IsPlaying());
    m_now += 200;
    KeyUp(list, Qt::Key_Return);
    EXPECT_TRUE(form.Transport().IsPlaying());
    m_now += 3000;
    KeyDown(list, Qt::Key_Return); // playing: the press does nothing
    EXPECT_TRUE(form.Transport().IsPlaying());
    m_now += 100;
    KeyUp(list, Qt::Key_Return);
    EXPECT_FALSE(form.Transport().IsPlaying());
}

TEST_F(MainWindowKeyboard, HoldingEnterPlaysOnlyWhileHeldAndRepeatsAreIgnored) {
    AddDictation("Dictation 1", 30.0);
    MainDialog& form = Open();
    QWidget* list = Control(MainDialog::kList);
    KeyDown(list, Qt::Key_Return);
    ASSERT_TRUE(form.Transport().IsPlaying());
    // The keyboard's repeats while the key is held: releases and presses marked as repeats.
    for (int i = 0; i < 5; ++i) {
        m_now += 300;
        KeyUp(list, Qt::Key_Return, Qt::NoModifier, true);
        KeyDown(list, Qt::Key_Return, Qt::NoModifier, true);
        EXPECT_TRUE(form.Transport().IsPlaying());
    }
    KeyUp(list, Qt::Key_Return);
    EXPECT_FALSE(form.Transport().IsPlaying());
}

TEST_F(MainWindowKeyboard, TheHoldThresholdIsSevenHundredMilliseconds) {
    AddDictation("Dictation 1", 30.0);
    MainDialog& form = Open();
    QWidget* list = Control(MainDialog::kList);
    KeyDown(list, Qt::Key_Return);
    m_now += 700; // not more than 700 ms: a tap
    KeyUp(list, Qt::Key_Return);
    EXPECT_TRUE(form.Transport().IsPlaying());
    form.RunCommand(MainDialog::kStop);
    KeyDown(list, Qt::Key_Return);
    m_now += 701;
    KeyUp(list, Qt::Key_Return);
    EXPECT_FALSE(form.Transport().IsPlaying());
}

TEST_F(MainWindowKeyboard, SpaceFollowsTheSameRuleForRecording) {
    AddDictation("Dictation 1", 2.0);
    MainDialog& form = Open();
    QWidget* list = Control(MainDialog::kList);
    KeyDown(list, Qt::Key_Space);
    EXPECT_TRUE(form.Transport().IsRecording()); // waiting for sound: the input is silent
    m_now += 100;
    KeyUp(list, Qt::Key_Space);
    EXPECT_TRUE(form.Transport().IsRecording());
    EXPECT_EQ(Control(MainDialog::kRecord)->property("image").toString(), "record-waiting");
    EXPECT_EQ(Control(MainDialog::kStop)->property("image").toString(), "stop-active");
    m_now += 2000;
    KeyDown(list, Qt::Key_Space);
    KeyUp(list, Qt::Key_Space);
    EXPECT_FALSE(form.Transport().IsRecording());

    KeyDown(list, Qt::Key_Space);
    m_now += 900;
    KeyUp(list, Qt::Key_Space);
    EXPECT_FALSE(form.Transport().IsRecording());
    Pump();
}

TEST_F(MainWindowKeyboard, SpaceWithoutADictationStartsANewOne) {
    MainDialog& form = Open();
    KeyDown(Control(MainDialog::kNew), Qt::Key_Space);
    EXPECT_TRUE(form.Transport().IsRecording());
    EXPECT_EQ(form.CurrentName(), "Dictation 1");
    EXPECT_EQ(ListedNames(), (std::vector<std::string>{"Dictation 1"}));
    EXPECT_EQ(form.Transport().CurrentPath(), CurrentPath("Dictation 1"));
    form.RunCommand(MainDialog::kStop);
    Pump();
}

TEST_F(MainWindowKeyboard, EnterInTheNotesAddsALineAndPlaysNothing) {
    AddDictation("Dictation 1", 30.0);
    MainDialog& form = Open();
    auto* notes = static_cast<QPlainTextEdit*>(Control(MainDialog::kNotes));
    QTest::keyClicks(notes, "one");
    KeyDown(notes, Qt::Key_Return);
    KeyUp(notes, Qt::Key_Return);
    QTest::keyClicks(notes, "two three");
    EXPECT_EQ(notes->toPlainText(), "one\ntwo three");
    EXPECT_FALSE(form.Transport().IsPlaying());
    EXPECT_FALSE(form.Transport().IsRecording());
}

TEST_F(MainWindowKeyboard, ShortcutsReachTheirCommandsFromAnyControl) {
    AddDictation("Dictation 1", 30.0);
    MainDialog& form = Open();
    QWidget* list = Control(MainDialog::kList);
    QWidget* priority = Control(MainDialog::kPriority);

    Key(list, Qt::Key_Home);
    EXPECT_EQ(form.Transport().Position(), 0);
    Key(priority, Qt::Key_1, Qt::KeypadModifier);
    EXPECT_EQ(form.Transport().Position(), 300000);

    Key(list, Qt::Key_Insert);
    EXPECT_TRUE(form.Transport().InsertMode());
    EXPECT_TRUE(form.Action(MainDialog::kInsertMode)->isChecked());
    EXPECT_EQ(Control(MainDialog::kRecord)->property("image").toString(), "record-normal-insert");

    Key(list, Qt::Key_F9);
    EXPECT_TRUE(form.Transport().IsPlaying());
    Key(list, Qt::Key_Escape);
    EXPECT_FALSE(form.Transport().IsPlaying());
    Key(list, Qt::Key_F1);
    EXPECT_EQ(m_helpAnchors, std::vector<std::string>{"contents"});

    // The arrow keys hold the rewind and fast forward buttons down until they are let go.
    auto* rewind = static_cast<PressButton*>(Control(MainDialog::kRewind));
    KeyDown(list, Qt::Key_Left);
    EXPECT_TRUE(rewind->IsHeld());
    EXPECT_TRUE(form.Transport().IsRewinding());
    KeyDown(list, Qt::Key_Left, Qt::NoModifier, true);
    KeyUp(list, Qt::Key_Left);
    EXPECT_FALSE(rewind->IsHeld());
    EXPECT_FALSE(form.Transport().IsPlaying());

    Key(list, Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(form.CurrentName(), "Dictation 2");
    EXPECT_FALSE(form.Transport().InsertMode());

    m_answer = QMessageBox::No;
    Key(list, Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_FALSE(m_messages.empty());
    EXPECT_EQ(m_messages.back().caption, "Confirm Delete");
    Pump();
}

TEST_F(MainWindowKeyboard, EnterAndEscapeNeverCloseTheWindow) {
    MainDialog& form = Open();
    form.show();
    Key(Control(MainDialog::kNew), Qt::Key_Escape);
    Key(Control(MainDialog::kNew), Qt::Key_Return);
    EXPECT_TRUE(form.isVisible());
}

// ---- start and close ----

TEST_F(MainWindowStartAndClose, AnInsertRecordingLeftByACrashIsOfferedBackAsANewDictation) {
    AddDictation("Dictation 1");
    WriteDictationWave(m_settings.currentFolder + std::string(kInsertRecordingPrefix) + "Dictation 1.wav", 2.0);
    MainDialog& form = Open();
    EXPECT_EQ(ListedNames(), (std::vector<std::string>{"Dictation 1"}));
    form.Start(std::nullopt);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(ListedNames(), (std::vector<std::string>{"Dictation 1", "Dictation 2"}));
    EXPECT_EQ(form.Store().Length(StoreFolder::Current, "Dictation 2"), 20000);
}

TEST_F(MainWindowStartAndClose, AnInsertRecordingTheUserDoesNotWantIsRemoved) {
    const std::string orphan = m_settings.currentFolder + std::string(kInsertRecordingPrefix) + "Dictation 1.wav";
    WriteDictationWave(orphan, 1.0);
    m_answer = QMessageBox::No;
    Open().Start(std::nullopt);
    EXPECT_FALSE(Exists(orphan));
    EXPECT_TRUE(ListedNames().empty());
}

TEST_F(MainWindowStartAndClose, CloseStopsTheEnginesDetachesAndIgnoresLaterCommands) {
    AddDictation("Dictation 1", 30.0);
    MainDialog& form = Open();
    EXPECT_EQ(m_queue.attachCalls, 1);
    form.RunCommand(MainDialog::kPlay);
    ASSERT_TRUE(form.Transport().IsPlaying());
    form.Close();
    EXPECT_FALSE(form.Transport().IsPlaying());
    EXPECT_EQ(m_queue.detachCalls, 1);
    form.RunCommand(MainDialog::kNew);
    EXPECT_EQ(ListedNames(), (std::vector<std::string>{"Dictation 1"}));
    form.Close();
    EXPECT_EQ(m_queue.detachCalls, 1);
}

TEST_F(MainWindowStartAndClose, TheSplashShowsAtStartAndGoesAtClose) {
    MainDialog& form = Open();
    form.show();
    form.Start(Welcome::Splash);
    QPointer<QWidget> splash = form.Splash();
    ASSERT_TRUE(splash);
    EXPECT_TRUE(splash->isVisible());
    form.Close();
    EXPECT_TRUE(splash.isNull());
}

TEST_F(MainWindowDetails, DetailsAreSavedBeforeTheRecoveryDialogOpens) {
    AddDictation("Dictation 1");
    MainDialog& form = Open();
    QTest::keyClicks(Control(MainDialog::kNotes), "Before recovery");
    bool savedWhenShown = false;
    // The dialog is modal: look at the notes file once it is up, then close it.
    QTimer::singleShot(0, [&] {
        savedWhenShown = m_folder.Read("Current Files/Dictation 1.txt") == std::string("Before recovery") + '\0';
        if (QWidget* dialog = QApplication::activeModalWidget())
            dialog->close();
    });
    form.RunCommand(MainDialog::kRecover);
    EXPECT_TRUE(savedWhenShown);
    EXPECT_EQ(form.CurrentName(), "Dictation 1"); // nothing was recovered
}

// ---- with the real send queue ----

TEST_F(MainWindowSending, TheRealQueueTakesTheDictationAndDeliversIt) {
    AddDictation("Dictation 1", 2.0);
    SetRecipientCount(1);
    TypistRecipient recipient;
    recipient.SetText(RecipientField::Name, "Mary");
    recipient.SetMethod(SendMethod::Lan);
    ASSERT_TRUE(recipient.Save(RecipientPath(m_settings.dataFolder, 0)));

    std::mutex mutex;
    std::vector<std::string> delivered; // dictation names, on the worker thread
    SendTransports transports;
    transports.lan = [&](TransportReport&, const DeliveryRequest& request) {
        const std::lock_guard lock(mutex);
        delivered.push_back(request.dictationName + " to " + request.recipient.Name());
        return true;
    };
    BGSend queue(SendContext{m_settings.dataFolder, m_settings.settingsFile, m_settings.sentFolder}, transports);
    ASSERT_TRUE(queue.Open(m_settings.dataFolder));
    // The form detaches from the queue before the queue goes, however the test ends.
    const std::shared_ptr<void> closeFirst(nullptr, [this](void*) { CloseForm(); });
    Open(LinkToQueue(queue, m_poster));

    m_form->RunCommand(MainDialog::kSend);
    EXPECT_TRUE(m_messages.empty());
    EXPECT_TRUE(Exists(SentPath("Dictation 1")));
    EXPECT_TRUE(ListedNames().empty());
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const std::lock_guard lock(mutex);
            return !delivered.empty();
        },
        20000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return queue.GetCount() == 0; }, 5000));
    const std::lock_guard lock(mutex);
    EXPECT_EQ(delivered, std::vector<std::string>{"Dictation 1 to Mary"});
    EXPECT_EQ(DictationStore(m_settings.currentFolder, m_settings.sentFolder, m_settings.settingsFile)
                  .ReadRecord(StoreFolder::Sent, "Dictation 1")
                  .recipient,
              recipient.DisplayText(false));
}

TEST_F(MainWindowLayout, TheSettingsMenuOpensTheHardwareSettings) {
    MainDialog& form = Open();
    QString shownTitle;
    QTimer::singleShot(0, [&] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            shownTitle = dialog->windowTitle();
            dialog->close();
        }
    });
    form.Action(MainDialog::kHardwareSettings)->trigger();
    EXPECT_EQ(shownTitle, "Hardware Settings");
}

TEST_F(MainWindowKeyboard, TheScrollBarStepsTwoSecondsAndItsThumbFollowsThePosition) {
    AddDictation("Dictation 1", 30.0);
    MainDialog& form = Open();
    auto* scroll = static_cast<QScrollBar*>(Control(MainDialog::kScroll));
    EXPECT_EQ(scroll->value(), 20);
    scroll->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(form.Transport().Position(), 280000);
    EXPECT_EQ(static_cast<QLabel*>(Control(MainDialog::kPositionText))->text(), " 0:00:28.0");
    EXPECT_EQ(scroll->value(), 18);
    scroll->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(form.Transport().Position(), 0);
    EXPECT_EQ(scroll->value(), 0);
}

TEST_F(MainWindowStartAndClose, TheFrameHoldsTheFormAndItsMenusAndExitClosesBoth) {
    MainDialogServices services;
    services.settings = &m_settings;
    services.backend = m_backend.get();
    services.poster = &m_poster;
    services.queue = m_queue.Link();
    MainFrame frame(std::move(services));
    frame.show();
    EXPECT_EQ(frame.windowTitle(), "Tallowin");
    QStringList menus;
    for (const QAction* menu : frame.menuBar()->actions())
        menus << menu->text();
    EXPECT_EQ(menus, QStringList({"&Dictation", "&Transport", "&Settings", "&Help"}));
    EXPECT_EQ(frame.centralWidget(), &frame.Form());
    EXPECT_EQ(frame.minimumSize(), frame.maximumSize()); // fixed size
    frame.Form().RunCommand(MainDialog::kExit);
    EXPECT_FALSE(frame.isVisible());
    EXPECT_EQ(m_queue.detachCalls, 1);
    EXPECT_FALSE(frame.Form().IsCommandEnabled(MainDialog::kNew));
}

TEST_F(MainWindowStartAndClose, ClosingDuringAnInsertRecordingStillSplicesItIn) {
    AddDictation("Dictation 1", 4.0);
    UseLoudInput(2.0);
    MainDialog& form = Open();
    QWidget* list = Control(MainDialog::kList);
    Key(list, Qt::Key_Home);
    Key(list, Qt::Key_Insert);
    KeyDown(list, Qt::Key_Space);
    ASSERT_TRUE(form.Transport().IsRecording());
    // The whole input arrives as fast as the recorder takes it.
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.Transport().Position() >= 19000; }, 5000));
    EXPECT_EQ(Control(MainDialog::kRecord)->property("image").toString(), "record-active-insert");
    CloseForm();
    const LSoundSourceHandle spliced = OpenWaveFile(CurrentPath("Dictation 1"));
    ASSERT_TRUE(spliced);
    EXPECT_GE(spliced->GetLength(), (4 + 1.9) * 8000);
    EXPECT_TRUE(FindOrphanedInserts(m_settings.currentFolder).empty());
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(MainWindowKeyboard, TheRewindButtonScrubsWhileTheMouseHoldsIt) {
    AddDictation("Dictation 1", 30.0);
    MainDialog& form = Open();
    form.show();
    QWidget* rewind = Control(MainDialog::kRewind);
    QTest::mousePress(rewind, Qt::LeftButton);
    EXPECT_TRUE(form.Transport().IsRewinding());
    QTest::mouseRelease(rewind, Qt::LeftButton);
    EXPECT_FALSE(form.Transport().IsPlaying());
    EXPECT_LT(form.Transport().Position(), 300000);
}

TEST_F(MainWindowDictationList, SwitchingWhilePlayingPlaysTheNewDictation) {
    AddDictation("Dictation 1", 30.0);
    AddDictation("Dictation 2", 30.0);
    MainDialog& form = Open();
    form.RunCommand(MainDialog::kPlay);
    ASSERT_TRUE(form.Transport().IsPlaying());
    SelectRow(0);
    EXPECT_EQ(form.CurrentName(), "Dictation 1");
    EXPECT_TRUE(form.Transport().IsPlaying());
    EXPECT_EQ(form.Transport().CurrentPath(), CurrentPath("Dictation 1"));
    form.RunCommand(MainDialog::kStop);
}

TEST_F(MainWindowSending, ADictationWithNothingRecordedIsNotSent) {
    SetRecipientCount(1);
    MainDialog& form = Open();
    form.RunCommand(MainDialog::kNew);
    form.RunCommand(MainDialog::kSend);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_TRUE(m_messages[0].text.contains("Nothing has been recorded in it yet."));
    EXPECT_TRUE(m_queue.added.empty());
    EXPECT_EQ(form.CurrentName(), "Dictation 1");
}

TEST_F(MainWindowSending, CtrlROpensTheRecipientChoiceAndCancelSendsNothing) {
    AddDictation("Dictation 1");
    SetRecipientCount(1);
    Open();
    QString shownTitle;
    QTimer::singleShot(0, [&] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            shownTitle = dialog->windowTitle();
            dialog->close();
        }
    });
    Key(Control(MainDialog::kList), Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(shownTitle, "Send To Recipient");
    EXPECT_TRUE(m_queue.added.empty());
    EXPECT_TRUE(Exists(CurrentPath("Dictation 1")));
}

TEST_F(MainWindowStartAndClose, AStartAfterInstallationShowsTheWelcomeWizard) {
    MainDialog& form = Open();
    form.show();
    bool wizardShown = false;
    QTimer::singleShot(0, [&] {
        if (auto* wizard = dynamic_cast<QWizard*>(QApplication::activeModalWidget())) {
            wizardShown = true;
            wizard->reject();
        }
    });
    form.Start(Welcome::Wizard);
    EXPECT_TRUE(wizardShown);
    EXPECT_EQ(form.Splash(), nullptr);
}
