// MainDialog: the main window's form (276 × 108 dialog units, the frame's client): the dictation list, New and
// Send, priority, notes and date, the transport buttons with the level and position displays, the Dock button
// and the status line with the send progress. It is a view of the DictationSession it owns: its controls, menus
// and keyboard map (handled before any control sees a key) call the session, it shows what the session reports
// and asks the user what the session asks, and it runs the dialogs. Main thread only.
//
//   MainDialog* form = new MainDialog(services, frame);   // fills the list: the last dictation is current
//   form->FillMenuBar(frame->menuBar());
//   form->Start(Welcome::Splash);             // orphaned insert recordings offered back, then the splash
#pragma once

#include "app/KeyboardMap.h"
#include "app/SessionView.h"
#include "app/TransportIcons.h"
#include "app/WelcomeChoice.h"
#include "ui/QtAlarm.h"

#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

class AudioBackend;
class ControlsRouter;
class DeliveryBubbles;
class DictationSession;
class DockDialog;
class FilesListBox;
class LDBDisplay;
class Poster;
class PressButton;
class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QScrollBar;
class SendQueue;
class Settings;
struct SendDialogContext;

struct MainDialogServices {
    const Settings* settings = nullptr; // the data paths; must outlive the form
    AudioBackend* backend = nullptr;    // must outlive the form
    Poster* poster = nullptr;           // runs the engines' and the queue's notes on the main thread
    SendQueue* queue = nullptr;         // null: sending is unavailable
    // Opens the help page at an anchor; empty: OpenHelp.
    std::function<void(const std::string& anchor)> help;
};

class MainDialog final : public QWidget, public SessionView {
public:
    // Control and command ids of the form's template and menus.
    enum Id {
        kList = 100,
        kNew = 101,
        kSend = 102,
        kRename = 103,
        kDelete = 104,
        kRecover = 105,
        kSendChosen = 106,
        kWorkProgress = 107,
        kHardwareSettings = 110,
        kRecipientSettings = 112,
        kUserSettings = 113,
        kMailSettings = 114, // ours: the outgoing mail settings of the e-mail method
        kPriority = 119,
        kExit = 120,
        kNotesFrame = 150,
        kNotes = 151,
        kDate = 152,
        kTransportFrame = 200,
        kPlay = 201,
        kRecord = 202,
        kStop = 203,
        kStart = 211,
        kRewind = 212,
        kForward = 213,
        kEnd = 214,
        kInsertMode = 220,
        kLevels = 251,
        kPositionText = 252,
        kScroll = 253,
        kDock = 300,
        kStatus = 800,
        kProgress = 801,
        kHelpContents = 901,
        kAbout = 902,
    };

    // A message box: icon, caption, text and buttons; returns the button chosen. Tests put their own in.
    using MessageFunction = std::function<QMessageBox::StandardButton(
        QMessageBox::Icon icon, const QString& caption, const QString& text, QMessageBox::StandardButtons buttons)>;
    // The rename prompt: true with the new name typed into `name`, false on Cancel or when nothing was edited.
    using NameFunction = std::function<bool(std::string& name)>;

    static constexpr int kFirstStatusMs = 1000;
    static constexpr int kStatusMs = 5000;
    static constexpr int kSendNoticeMs = 850;

    // Set-up: controls and tooltips, the session (which fills the list: the last dictation current), the status
    // timer started.
    explicit MainDialog(MainDialogServices services, QWidget* parent = nullptr);
    // Close(), when the owner did not call it.
    ~MainDialog() override;

    // Adds the menus "&Dictation", "&Transport", "&Settings" and "&Help" to the frame's menu bar.
    void FillMenuBar(QMenuBar* bar);
    // The end of the set-up, once the frame is shown: insert recordings a crash left behind are offered back as
    // new dictations, then the welcome wizard or the splash (nothing for none).
    void Start(std::optional<Welcome> welcome);

    // Tear-down: the session closes (recording and playing stop, an insert recording is still spliced in, the
    // details and settings are saved), the timers stop and the splash closes. Later calls do nothing.
    void Close();

    // Runs a menu command or button command by its id (disabled commands do nothing).
    void RunCommand(int id);
    // Whether the command is enabled now.
    bool IsCommandEnabled(int id) const;
    QAction* Action(int id) const;
    QMenu* ContextMenu() const { return m_contextMenu; }

    DictationSession& Session() const { return *m_session; }
    // The pedals and dictation microphones driving the session (null after Close).
    ControlsRouter* Controls() const { return m_controls.get(); }
    QWidget* SendNotice() const { return m_sendNotice; }
    DockDialog* Dock() const;
    QWidget* Splash() const { return m_splash; }

    // The rotating status texts; the last entry is empty and ends the table.
    static const std::vector<QString>& StatusTexts();

    // Test seams.
    void SetMessageFunction(MessageFunction function) { m_message = std::move(function); }
    void SetNameFunction(NameFunction function) { m_askName = std::move(function); }
    // One tick of timer 1, as when it fires.
    void StatusTick();

    // SessionView.
    void ShowList(const std::vector<std::string>& names, const std::string& current) override;
    void ShowCurrent(const DictationDetails* details) override;
    void ShowPosition(int32_t position, int32_t length) override;
    void ShowPlaying(bool playing) override;
    void ShowRecording(RecordImage image, bool insertMode) override;
    void ShowLevels(const LDBMC* levels) override;
    void ShowBusy(bool busy) override;
    void ShowSendProgress(int percent) override;
    void ShowSent(const std::string& name) override;
    void ShowDelivered(const DeliveryNotice& delivery) override;
    void ShowDeliveryFailure(const std::string& text) override;
    void ShowNote(const std::string& text) override;
    void Tell(const SessionMessage& message) override;
    bool Ask(const SessionMessage& message, AnswerButtons buttons) override;
    bool RunSplice(InsertSplice& splice) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void BuildMenus();
    QAction* AddItem(QMenu* menu, int id, const QString& text);
    void UpdateCommands();
    void UpdateImages();
    void SetImage(QPushButton* button, TransportGlyph glyph, GlyphState state, bool insertVariant = false);

    bool HandleKey(QKeyEvent* event, KeyEdge edge, bool notesFocused);
    // Alt with a menu's letter opens that menu, ahead of a control whose mnemonic shares the letter; true when the
    // key was taken (`press`: the key press, else its shortcut override).
    bool HandleAltLetter(QKeyEvent* event, bool press);
    void RunKeyCommand(KeyCommand command);

    bool HasCurrent() const;
    void RenameDictation();
    void SendChosen();
    void RunRecover(bool recoverMode);
    void RunHardwareSettings(QWidget* parent);
    void RunSendSettings(int id);
    // What the send dialogs need: the folders, the queue, the session for recovery, help and this window's
    // message boxes.
    SendDialogContext SendDialogs() const;
    void OpenDock();
    void ShowAbout();
    void OpenHelpAt(const std::string& anchor);
    void OnPressButton(bool press, int id);
    void OnScroll(int action);

    QMessageBox::StandardButton Message(QMessageBox::Icon icon, const QString& caption, const QString& text,
                                        QMessageBox::StandardButtons buttons = QMessageBox::Ok);

    MainDialogServices m_services;

    FilesListBox* m_list = nullptr;
    QPushButton* m_new = nullptr;
    QPushButton* m_send = nullptr;
    QComboBox* m_priority = nullptr;
    QWidget* m_notesFrame = nullptr;
    QPlainTextEdit* m_notes = nullptr;
    QLabel* m_date = nullptr;
    QWidget* m_transportFrame = nullptr;
    QPushButton* m_play = nullptr;
    QPushButton* m_record = nullptr;
    QPushButton* m_stop = nullptr;
    QPushButton* m_start = nullptr;
    PressButton* m_rewind = nullptr;
    PressButton* m_forward = nullptr;
    QPushButton* m_end = nullptr;
    LDBDisplay* m_levels = nullptr;
    QScrollBar* m_scroll = nullptr;
    QLabel* m_positionText = nullptr;
    QPushButton* m_dockButton = nullptr;
    QLabel* m_status800 = nullptr;
    QProgressBar* m_progress = nullptr;

    std::map<int, QAction*> m_actions;
    std::vector<QMenu*> m_menus;
    QMenu* m_contextMenu = nullptr;

    QTimer m_statusTimer;  // timer 1
    QtAlarm m_keyAlarm;    // settles the releases of held keys
    QtAlarm m_bubbleAlarm; // shows the deliveries gathered within a minute
    std::unique_ptr<DeliveryBubbles> m_bubbles;
    int m_statusIndex = 0;
    QPointer<QWidget> m_splash;
    QPointer<QWidget> m_sendNotice;
    QPointer<DockDialog> m_dock; // at most one transfer at a time

    bool m_playing = false;
    RecordImage m_recordImage = RecordImage::Idle;
    bool m_busy = false;
    bool m_showing = false; // the session's details are being put into the controls: no edits reported
    bool m_closed = false;

    MessageFunction m_message;
    NameFunction m_askName;

    // Last, so it goes first: its Close still reports to the controls above.
    std::unique_ptr<DictationSession> m_session;
    // After the session, so it goes before: its devices drive the session.
    std::unique_ptr<ControlsRouter> m_controls;
};
