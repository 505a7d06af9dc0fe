// RecoverDialog: "Recover Sent Dictations" / "Work Progress": the sent dictations with their recipient and status,
// refreshed while the status worker merges the typist side's status files; plays a sent dictation and, in
// recover mode, asks the context's RecoveryHost to move one back to "Current Files/" (without a host it only shows).
// UI thread only; the status worker's notes arrive through the dialog's own poster.
//
//   RecoverDialog dialog(mainWindow, RecoverDialogMode::Recover, context, status, backend);
//   if (dialog.exec() == QDialog::Accepted) ReloadDictations();
#pragma once

#include "audio/LSoundPlayer.h"
#include "send/ui/SendDialogs.h"
#include "ui/QtPoster.h"

#include <QDialog>

class QListWidget;
class QPushButton;

class RecoverDialog final : public QDialog, private LSoundPlayerNotify {
public:
    enum ControlId { kRecover = 1, kCancel = 2, kList = 101, kPlay = 102 };

    // Attaches the dialog to `status` and starts a pass of it; the list is filled at once as well.
    RecoverDialog(QWidget* parent, RecoverDialogMode mode, const SendDialogContext& context, Status& status,
                  AudioBackend& backend);
    // Detaches from `status` (a running pass goes on without notes) and stops playing.
    ~RecoverDialog() override;

    // Recover mode: recovers the selected dictation (none selected: closes as Cancel). View mode: closes.
    void accept() override;
    void done(int result) override;

    // Reads the sent dictations again, keeping the selected line index.
    void RefreshList();

    // The dictation name of the selected line ("" when none is selected).
    std::string SelectedName() const;
    bool IsPlaying() const { return m_player.IsBusy(); }

private:
    void PlayOrStop();
    // The sent dictation's wave file, as the host (or else the store) names it.
    std::string SentWavePath(const std::string& name) const;
    void Detach();

    void OnPlayStart(uint32_t cookie) override;
    void OnPlayStop(uint32_t cookie) override;

    const RecoverDialogMode m_mode;
    const SendDialogContext& m_context;
    Status& m_status;
    AudioBackend& m_backend;
    QtPoster m_poster;     // before the player: it goes after it
    LSoundPlayer m_player; // plays the sent dictation's wave file
    bool m_attached = false;
    QListWidget* m_list;
    QPushButton* m_play;
};
