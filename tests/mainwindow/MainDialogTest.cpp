// The main window offscreen with a fake send queue: keys and focus, the hold rule through key events, commands while
// a splice runs, edits reaching the session, the message boxes, the dialogs and the frame.
#include "MainWindowTestSupport.h"
#include "app/FilesListBox.h"
#include "app/MainFrame.h"
#include "dock/ui/DockDialog.h"
#include "platform/FileOps.h"

#include <QAction>
#include <QComboBox>
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTimer>
#include <QToolTip>

using MainWindow = MainWindowTest;

TEST_F(MainWindow,
       ShortcutsWorkFromAnyControlTheNotesBoxKeepsItsTypingKeysButNotTheKeypadTwinsAndHeldEnterPlaysWhileHeld) {
    AddDictation("Dictation 1", 30.0);
    SetRecipients(1);
    MainDialog& form = Open();
    form.show();
    QWidget* list = Control(MainDialog::kList);
    auto* notes = static_cast<QPlainTextEdit*>(Control(MainDialog::kNotes));

    Press(Control(MainDialog::kPriority), Qt::Key_Home);
    EXPECT_EQ(Transport().Position(), 0);
    Press(list, Qt::Key_1, Qt::KeypadModifier);
    EXPECT_EQ(Transport().Position(), 300000);
    Press(list, Qt::Key_Insert);
    EXPECT_TRUE(Transport().InsertMode());
    EXPECT_TRUE(form.Action(MainDialog::kInsertMode)->isChecked());
    Press(list, Qt::Key_F1);
    EXPECT_EQ(m_helpAnchors, std::vector<std::string>{"contents"});

    // Enter, Space and the plain cursor keys type into the notes; their keypad twins still drive the transport.
    Press(notes, Qt::Key_Return, Qt::NoModifier, "\r");
    Press(notes, Qt::Key_Space, Qt::NoModifier, " ");
    Press(notes, Qt::Key_Home);
    Press(notes, Qt::Key_Left);
    EXPECT_EQ(notes->toPlainText(), "\n ");
    EXPECT_FALSE(Transport().IsPlaying() || Transport().IsRecording());
    EXPECT_EQ(Transport().Position(), 300000);
    Press(notes, Qt::Key_7, Qt::KeypadModifier);
    EXPECT_EQ(Transport().Position(), 0);
    Send(notes, QEvent::KeyPress, Qt::Key_4, Qt::KeypadModifier);
    EXPECT_TRUE(Transport().IsRewinding());
    Send(notes, QEvent::KeyRelease, Qt::Key_Left); // a scrub is let go wherever the focus went
    SettleKeys();
    EXPECT_FALSE(Transport().IsPlaying());
    QTest::mousePress(Control(MainDialog::kRewind), Qt::LeftButton); // the button scrubs while the mouse holds it
    EXPECT_TRUE(Transport().IsRewinding());
    QTest::mouseRelease(Control(MainDialog::kRewind), Qt::LeftButton);
    EXPECT_FALSE(Transport().IsPlaying());

    // Enter held plays only while held; the keyboard's repeats are ignored: release and press pairs marked as repeats,
    // and pairs X11 leaves unmarked a few milliseconds apart.
    Send(list, QEvent::KeyPress, Qt::Key_Return);
    ASSERT_TRUE(Transport().IsPlaying());
    for (int i = 0; i < 6; ++i) {
        m_now += 300;
        Send(list, QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, {}, i % 2 == 0);
        m_now += 3;
        Send(list, QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, {}, i % 2 == 0);
        SettleKeys();
        EXPECT_TRUE(Transport().IsPlaying()) << "pair " << i;
    }
    Send(list, QEvent::KeyRelease, Qt::Key_Return);
    SettleKeys();
    EXPECT_FALSE(Transport().IsPlaying());

    Press(notes, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(m_queue.queued.size(), 1u);
    QPointer<QWidget> notice = form.SendNotice();
    ASSERT_TRUE(notice);
    EXPECT_TRUE(QTest::qWaitFor([&] { return notice.isNull(); }, 5000)); // it closes itself
    Press(list, Qt::Key_Return);                                         // Enter and Escape never close the window
    Press(list, Qt::Key_Escape);
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(MainWindow, WhileASpliceRunsOnlyHelpAndAboutAreEnabledAndKeysDoNothing) {
    AddDictation("Dictation 1", 4.0);
    UseInput(Tone(16000, 20000));
    MainDialog& form = Open();
    QWidget* list = Control(MainDialog::kList);
    Press(list, Qt::Key_Home);
    Press(list, Qt::Key_Insert);
    Send(list, QEvent::KeyPress, Qt::Key_Space);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Transport().Position() >= 19000; }, 5000));
    bool seen = false;
    QTimer whileBusy;
    QObject::connect(&whileBusy, &QTimer::timeout, [&] {
        if (seen || !form.Session().IsBusy())
            return;
        seen = true;
        for (int id : {MainDialog::kNew, MainDialog::kSend, MainDialog::kPlay, MainDialog::kRecord, MainDialog::kStop,
                       MainDialog::kRecover, MainDialog::kHardwareSettings, MainDialog::kExit})
            EXPECT_FALSE(form.IsCommandEnabled(id)) << id;
        EXPECT_TRUE(form.IsCommandEnabled(MainDialog::kHelpContents) && form.IsCommandEnabled(MainDialog::kAbout));
        EXPECT_FALSE(list->isEnabled() || Control(MainDialog::kNew)->isEnabled());
        Press(list, Qt::Key_N, Qt::ControlModifier);
        Send(list, QEvent::KeyPress, Qt::Key_Left);
        EXPECT_FALSE(Transport().IsRewinding());
    });
    whileBusy.start(0);
    Press(list, Qt::Key_Escape);
    EXPECT_TRUE(seen);
    EXPECT_EQ(form.Session().Names(), std::vector<std::string>{"Dictation 1"});
    EXPECT_TRUE(form.IsCommandEnabled(MainDialog::kNew) && list->isEnabled());
}

TEST_F(MainWindow, TheSessionsMessagesAndQuestionsBecomeMessageBoxesAndTheStatusTimerShowsTheQueuesFailures) {
    using Box = QMessageBox;
    MainDialog& form = Open();
    // The icon and buttons shown, and what the session is answered.
    using Shown = std::tuple<Box::Icon, Box::StandardButtons, bool>;
    const auto box = [&](MessageKind kind, std::optional<AnswerButtons> buttons, Box::StandardButton answer) {
        m_answer = answer;
        const SessionMessage message{kind, "Caption", "Text"};
        const bool result = buttons ? form.Ask(message, *buttons) : (form.Tell(message), true);
        return Shown(m_messages.back().icon, m_messages.back().buttons, result);
    };
    using enum MessageKind;
    EXPECT_EQ(box(Information, {}, Box::Ok), Shown(Box::Information, Box::Ok, true));
    EXPECT_EQ(box(Question, AnswerButtons::YesNo, Box::Yes), Shown(Box::Question, Box::Yes | Box::No, true));
    EXPECT_EQ(box(Warning, AnswerButtons::OkCancel, Box::Ok), Shown(Box::Warning, Box::Ok | Box::Cancel, true));
    EXPECT_EQ(box(Warning, AnswerButtons::OkCancel, Box::Cancel), Shown(Box::Warning, Box::Ok | Box::Cancel, false));
    form.RunCommand(MainDialog::kAbout);
    m_queue.failures = {{"Unable to connect to the FTP server.", 2}};
    m_answer = Box::Cancel;
    form.StatusTick();
    EXPECT_EQ(m_messages.back().caption, "Background Task Error");
    EXPECT_EQ(static_cast<QLabel*>(Control(MainDialog::kStatus))->text(), MainDialog::StatusTexts()[0]);
}

TEST_F(MainWindow,
       TheFrameHoldsTheFormAltOpensItsMenusItsCommandsOpenTheirDialogsAfterSavingTheDetailsAndExitClosesAll) {
    AddDictation("Dictation 1");
    SetRecipients(1);
    MainFrame frame(Services());
    frame.show();
    frame.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
    MainDialog& form = frame.Form();
    QWidget* list = FindControl(&form, MainDialog::kList);
    list->setFocus();
    // Alt with a menu's letter opens that menu, though S and T are also the Send button's and the Transport frame's
    // letters, D the Dock frame's.
    for (const QAction* entry : frame.menuBar()->actions()) {
        QTest::keyClick(list, Qt::Key(entry->text().at(1).unicode()), Qt::AltModifier);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_TRUE(menu) << entry->text().toStdString();
        EXPECT_EQ(menu->title(), entry->text());
        menu->close();
        QApplication::processEvents();
    }
    frame.activateWindow(); // the offscreen platform leaves no window active once a menu has closed
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
    list->setFocus();
    QTest::keyClick(list, Qt::Key_N, Qt::AltModifier);
    ASSERT_EQ(frame.focusWidget(), FindControl(&form, MainDialog::kNotes));
    EXPECT_EQ(form.Session().Names().size(), 1u) << "Alt+N made no dictation";
    QTest::keyClicks(frame.focusWidget(), "Before recovery");
    // A command's dialog; 0: the welcome wizard (its title is empty).
    const std::pair<int, QString> table[] = {
        {MainDialog::kRecover, "Recover Sent Dictations"},      {MainDialog::kWorkProgress, "Work Progress"},
        {MainDialog::kSendChosen, "Send To Recipient"},         {MainDialog::kHardwareSettings, "Hardware Settings"},
        {MainDialog::kRecipientSettings, "Recipient Settings"}, {MainDialog::kUserSettings, "User Settings"},
        {MainDialog::kMailSettings, "Mail Settings"},           {0, ""}};
    for (const auto& [id, title] : table) {
        QString shown = "<none>";
        bool notesSaved = false; // before the recovery dialog: a recovered dictation must not get stale details
        QTimer::singleShot(0, [&] {
            notesSaved = PathExists(PathOf(StoreFolder::Current, "Dictation 1", ".txt"));
            if (QWidget* dialog = QApplication::activeModalWidget()) {
                shown = dialog->windowTitle();
                dialog->close();
            }
        });
        id ? form.RunCommand(id) : form.Start(Welcome::Wizard);
        EXPECT_EQ(shown, title);
        EXPECT_TRUE(notesSaved) << title.toStdString();
    }
    form.Start(Welcome::Splash);
    const QPointer<QWidget> splash = form.Splash();
    ASSERT_TRUE(splash);
    form.RunCommand(MainDialog::kExit);
    EXPECT_FALSE(frame.isVisible());
    EXPECT_TRUE(splash.isNull());
    EXPECT_FALSE(form.IsCommandEnabled(MainDialog::kNew));
}

TEST_F(MainWindow, TheListsTooltipNotesPriorityRenameRightButtonScrollBarAndMenuCommandsWork) {
    const std::string longName = "Dictation 2, whose name is far too long for the list to show";
    AddDictation("Dictation 1", 30.0);
    AddDictation(longName, 30.0);
    MainDialog& form = Open();
    form.show();
    auto* list = static_cast<FilesListBox*>(Control(MainDialog::kList));
    // A name cut off at the list's edge shows in full as its tooltip; one that fits shows none.
    for (int row = 0; row < list->count(); ++row) {
        const QRect shown = list->visualItemRect(list->item(row));
        QHelpEvent tip(QEvent::ToolTip, shown.center(), list->viewport()->mapToGlobal(shown.center()));
        QApplication::sendEvent(list->viewport(), &tip);
        const QString name = list->item(row)->text();
        EXPECT_EQ(QToolTip::isVisible() && QToolTip::text() == name, name.toStdString() == longName) << row;
    }

    // Typed notes and the chosen priority reach the session and survive switching dictations.
    auto* notes = static_cast<QPlainTextEdit*>(Control(MainDialog::kNotes));
    auto* priority = static_cast<QComboBox*>(Control(MainDialog::kPriority));
    QTest::keyClicks(notes, "Ring back");
    priority->setCurrentIndex(0);
    list->setCurrentRow(0);
    EXPECT_TRUE(notes->toPlainText().isEmpty());
    list->setCurrentRow(1);
    EXPECT_EQ(notes->toPlainText(), "Ring back");
    EXPECT_EQ(priority->currentText(), "High");
    EXPECT_EQ(m_folder.Read("Current Files/" + longName + ".txt"), std::string("Ring back") + '\0');
    // Notes put into the box when a dictation is shown are not an edit: they are not written back.
    EXPECT_FALSE(PathExists(PathOf(StoreFolder::Current, "Dictation 1", ".txt")));
    m_typedName = "Smith";
    Press(list, Qt::Key_F2);
    m_typedName.reset(); // Cancel
    Press(list, Qt::Key_F2);
    EXPECT_EQ(list->Names(), (std::vector<std::string>{"Dictation 1", "Smith"}));
    EXPECT_EQ(list->SelectedName(), "Smith");

    // The right button selects the entry under it before the context menu opens there.
    const QRect first = list->visualItemRect(list->item(0));
    QTest::mousePress(list->viewport(), Qt::RightButton, {}, first.center());
    EXPECT_EQ(form.Session().CurrentName(), list->item(0)->text().toStdString());
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_TRUE(menu);
    menu->close();

    // The scroll bar moves through the dictation; the menu's rewind and record, Stop, Dock and Delete act.
    auto* scroll = qobject_cast<QScrollBar*>(Control(MainDialog::kScroll));
    int32_t last = Transport().Position();
    for (const auto& [action, forward] :
         {std::pair{QAbstractSlider::SliderToMinimum, false}, std::pair{QAbstractSlider::SliderSingleStepAdd, true},
          std::pair{QAbstractSlider::SliderPageStepAdd, true}, std::pair{QAbstractSlider::SliderToMaximum, true},
          std::pair{QAbstractSlider::SliderSingleStepSub, false},
          std::pair{QAbstractSlider::SliderPageStepSub, false}}) {
        scroll->triggerAction(action);
        EXPECT_EQ(Transport().Position() > last, forward) << action;
        last = Transport().Position();
    }
    form.Action(MainDialog::kRewind)->trigger();
    EXPECT_LT(Transport().Position(), last);
    form.Action(MainDialog::kRecord)->trigger();
    EXPECT_TRUE(Transport().IsRecording());
    form.Action(MainDialog::kStop)->trigger();
    EXPECT_FALSE(Transport().IsRecording());
    form.Action(MainDialog::kDock)->trigger();
    ASSERT_TRUE(form.Dock());
    form.Dock()->reject();
    const size_t listed = form.Session().Names().size();
    form.Action(MainDialog::kDelete)->trigger();
    EXPECT_EQ(form.Session().Names().size(), listed - 1);
}
