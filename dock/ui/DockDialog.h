// DockDialog: "Transfer from Portable Dictaphone", the modeless dialog that records a dictation played into the sound
// card's input into a new dictation "Tape n": the recording device and input line, the record and activation levels,
// the status text, the dictation's name and notes, "Automatically Send when Done", Restart, the recorded time and the
// level meter, Done, Cancel and Help. It asks its DockHost to create, rename, keep notes of, hand over or throw away
// the tape, and never touches the store or a window. Main thread only.
//
//   auto* dock = new DockDialog(mainWindow, host, backend, poster, settings.settingsFile, OpenHelp);
//   if (!dock->HasTape()) { ShowWarning(dock->TapeFailure()); delete dock; } else dock->show();
#pragma once

#include "dock/TapeTransfer.h"

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

class AudioBackend;
class DockHost;
class LDBDisplay;
class LDBEdit;
class Poster;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class DockDialog final : public QDialog, private TapeTransferView {
public:
    // Control ids.
    enum ControlId {
        kDone = 1,
        kCancel = 2,
        kHelp = 9,
        kDevice = 1001,
        kInputLine = 1002,
        kRecordLevel = 1003,
        kActivateLevel = 1004,
        kStatus = 1005,
        kName = 1006,
        kNotes = 1007,
        kAutoSend = 1008,
        kRestart = 1009,
        kTime = 1010,
        kLevels = 1011,
    };

    static constexpr const char* kCaption = "Transfer from Portable Dictaphone";
    static constexpr const char* kHelpAnchor = "dock";
    static constexpr const char* kListeningText = "Please connect your portable dictaphone to your computer and press "
                                                  "the play button on your portable dictaphone.";
    static constexpr const char* kCannotStartText = "Unable to start transfer.\nThis may be because the sound card "
                                                    "is being used.";
    static constexpr const char* kRecordingText = "Recording dictation.\nWhen complete please click Done.";

    using HelpFunction = std::function<void(const std::string& anchor)>;
    // Shows a message box (caption, text) over the dialog. Tests put their own in.
    using WarnFunction = std::function<void(const QString& caption, const QString& text)>;

    // Creates the tape through `host` and starts listening; when no tape could be made, HasTape() is false and
    // nothing records.
    DockDialog(QWidget* parent, DockHost& host, AudioBackend& backend, Poster& poster, std::string settingsFile,
               HelpFunction help);
    // A tape still in the dialog is finished and listed (the program is closing).
    ~DockDialog() override;

    bool HasTape() const { return !m_wavePath.empty(); }
    const std::string& TapeFailure() const { return m_tapeFailure; }
    const std::string& WavePath() const { return m_wavePath; }

    // Done: the tape is stopped, named, its notes kept and handed over (sent when the box is ticked).
    void accept() override;
    // Cancel: the tape is stopped and thrown away.
    void reject() override;
    // The program is closing: the tape is stopped and listed, whatever the box says.
    void FinishForExit();

    TapeTransfer& Transfer() { return m_transfer; }
    void SetWarnFunction(WarnFunction warn) { m_warn = std::move(warn); }

private:
    // TapeTransferView.
    void ShowHeardSound(bool heard) override;
    void ShowLive(bool live) override;
    void ShowTime(int32_t time) override;
    void ShowLevels(const LDBMC& levels) override;
    void OnEndOfTape() override;

    void BuildControls();
    void StartTransfer();
    void SaveChoices();
    // Stops, names the tape and keeps its notes; hands it over with `send`.
    void Finish(bool send);
    void Warn(const QString& text);

    DockHost& m_host;
    AudioBackend& m_backend;
    const std::string m_settingsFile;
    HelpFunction m_help;
    WarnFunction m_warn;
    TapeTransfer m_transfer;
    std::string m_wavePath;
    std::string m_tapeName;
    std::string m_tapeFailure;
    bool m_notesEdited = false;
    bool m_lineChosen = false; // the input line is the user's choice (kept), not the one the name word picked

    QComboBox* m_device = nullptr;
    QComboBox* m_inputLine = nullptr;
    LDBEdit* m_recordLevel = nullptr;
    LDBEdit* m_activateLevel = nullptr;
    QLabel* m_status = nullptr;
    QLineEdit* m_name = nullptr;
    QPlainTextEdit* m_notes = nullptr;
    QCheckBox* m_autoSend = nullptr;
    QPushButton* m_restart = nullptr;
    QLabel* m_time = nullptr;
    LDBDisplay* m_levels = nullptr;
};
