// MainDialog: the main window's form (276 × 108 dialog units, the frame's client): the dictation list, New and
// Send, priority, notes and date, the transport buttons with the level and position displays, the Dock button
// and the status line with the send progress. It owns the current dictation's player, recorder and transport,
// runs the menu commands and the keyboard map (before any control sees a key), saves the current dictation's
// priority and notes whenever it is left, and shows the send queue's progress, failures and notices.
// Main thread only.
//
//   MainDialog* form = new MainDialog(services, frame);   // fills the list: the last dictation is current
//   form->FillMenuBar(frame->menuBar());
//   form->Start(Welcome::Splash);             // orphaned insert recordings offered back, then the splash
#pragma once

#include "DictationStore.h"
#include "KeyboardMap.h"
#include "SendQueueLink.h"
#include "TransportIcons.h"
#include "TransportView.h"
#include "WelcomeChoice.h"

#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

class AudioBackend;
class DictationTransport;
class FilesListBox;
class LDBDisplay;
class LSoundPlayer;
class LSoundRecorder;
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
class Settings;
class Status;
struct SendDialogContext;

struct MainDialogServices {
    const Settings* settings = nullptr; // the data paths; must outlive the form
    AudioBackend* backend = nullptr;    // must outlive the form
    Poster* poster = nullptr;           // runs the engines' and the queue's notes on the main thread
    SendQueueLink queue;                // empty members: no queue (sending is then unavailable)
    // Opens the help page at an anchor; empty: OpenHelp.
    std::function<void(const std::string& anchor)> help;
};

class MainDialog final : public QWidget, public TransportView {
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
    // Milliseconds of a steady clock (the hold rule of Enter and Space).
    using ClockFunction = std::function<int64_t()>;

    static constexpr int kHoldThresholdMs = 700;
    static constexpr int kFirstStatusMs = 1000;
    static constexpr int kStatusMs = 5000;
    static constexpr int kSendNoticeMs = 850;

    // Set-up: engines and transport, controls and tooltips, the list filled (the last dictation current), the
    // status timer started, and the form attached to the send queue's progress.
    explicit MainDialog(MainDialogServices services, QWidget* parent = nullptr);
    // Close(), when the owner did not call it.
    ~MainDialog() override;

    // Adds the menus "&Dictation", "&Transport", "&Settings" and "&Help" to the frame's menu bar.
    void FillMenuBar(QMenuBar* bar);
    // The end of the set-up, once the frame is shown: insert recordings a crash left behind are offered back as
    // new dictations, then the welcome wizard or the splash (nothing for none).
    void Start(std::optional<Welcome> welcome);

    // Tear-down: stops the recorder and the player (an insert recording is still spliced in), detaches from the
    // engines and the queue, saves the current dictation's details, stops the timers and closes the splash.
    // Later calls do nothing.
    void Close();

    // Runs a menu command or button command by its id (disabled commands do nothing).
    void RunCommand(int id);
    // Whether the command is enabled now.
    bool IsCommandEnabled(int id) const;
    QAction* Action(int id) const;
    QMenu* ContextMenu() const { return m_contextMenu; }

    // The current dictation's name; empty when none.
    const std::string& CurrentName() const { return m_currentName; }
    DictationTransport& Transport() const { return *m_transport; }
    DictationStore& Store() { return m_store; }
    QWidget* SendNotice() const { return m_sendNotice; }
    QWidget* Splash() const { return m_splash; }

    // The progress bar's value for the queue's published progress v: 0 for v == 0, else 100 / (1 + v) cut to
    // an integer and held within 0..100 (0 when 1 + v is not above 0 or v is not a number).
    static int ProgressPercent(float v);
    // The rotating status texts; the last entry is empty and ends the table.
    static const std::vector<QString>& StatusTexts();

    // Test seams.
    void SetMessageFunction(MessageFunction function) { m_message = std::move(function); }
    void SetNameFunction(NameFunction function) { m_askName = std::move(function); }
    void SetClock(ClockFunction clock) { m_clock = std::move(clock); }
    void SetHoldThreshold(int milliseconds) { m_holdThresholdMs = milliseconds; }
    // One tick of timer 1, as when it fires.
    void StatusTick();
    // Re-reads the queue's progress, as on its notification.
    void UpdateProgress();

    // TransportView.
    void ShowPosition(int32_t position, int32_t length) override;
    void ShowPlaying(bool playing) override;
    void ShowRecording(RecordImage image, bool insertMode) override;
    void ShowLevels(const LDBMC* levels) override;
    void ShowDeviceError(const std::string& text) override;
    std::string CreateDictationForRecording() override;
    bool RunSplice(InsertSplice& splice) override;
    void SetSpliceBusy(bool busy) override;
    void ShowEditError(const std::string& text) override;

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
    void RunKeyCommand(KeyCommand command);
    int64_t Now() const;

    bool HasCurrent() const { return !m_currentName.empty(); }
    void FillList(bool selectLast);
    void LoadSelected();
    void SaveDetails();
    // Creates a dictation, lists and selects it; its name, or empty text when it could not be made.
    std::string CreateDictation();

    void NewDictation();
    void RenameDictation();
    void DeleteDictation();
    void SendDefault();
    void SendChosen();
    void SendTo(int recipientIndex);
    void ShowSendNotice();
    void OfferOrphanedInserts();
    void RunRecover(bool recoverMode);
    void RunHardwareSettings();
    void RunSendSettings(int id);
    // What the send dialogs need: the folders, the queue's hooks, help and this window's message boxes.
    SendDialogContext SendDialogs() const;
    void ShowAbout();
    void OpenHelpAt(const std::string& anchor);
    void OnPressButton(bool press, int id);
    void OnScroll(int action);
    void DetachQueue();

    QMessageBox::StandardButton Message(QMessageBox::Icon icon, const QString& caption, const QString& text,
                                        QMessageBox::StandardButtons buttons = QMessageBox::Ok);
    QString StoreFailureText(StoreResult result, const std::string& name) const;

    MainDialogServices m_services;
    DictationStore m_store;
    std::unique_ptr<LSoundPlayer> m_player;
    std::unique_ptr<LSoundRecorder> m_recorder;
    std::unique_ptr<DictationTransport> m_transport;
    std::unique_ptr<Status> m_status; // the sent-work status worker, made when its dialog first opens

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
    QPushButton* m_dock = nullptr;
    QLabel* m_status800 = nullptr;
    QProgressBar* m_progress = nullptr;

    std::map<int, QAction*> m_actions;
    std::vector<QMenu*> m_menus;
    QMenu* m_contextMenu = nullptr;

    QTimer m_statusTimer; // timer 1
    int m_statusIndex = 0;
    QPointer<QWidget> m_splash;
    QPointer<QWidget> m_sendNotice;

    std::string m_currentName;
    std::string m_loadedPriority; // the record's priority text, kept when the box shows none of its entries
    bool m_playing = false;
    RecordImage m_recordImage = RecordImage::Idle;
    bool m_spliceBusy = false;
    bool m_creatingForRecord = false;
    bool m_closed = false;

    int64_t m_keyDownTime = 0;
    int m_holdThresholdMs = kHoldThresholdMs;
    ClockFunction m_clock;
    MessageFunction m_message;
    NameFunction m_askName;
};
