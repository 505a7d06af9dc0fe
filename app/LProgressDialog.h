// LProgressDialog: a small modeless progress window (caption, icon, two text lines 100 and 101, progress bar 102
// from 0 to 100, footer 103, "Cancel") that runs a job on the main thread, letting events through between the
// job's blocks. Cancel (or Escape, or closing it) ends the dialog; the job sees that at its next check.
//
//   LProgressDialog dialog("Insert Recording", "Tallowin");
//   dialog.SetLines("Inserting Recording", "Please wait...");
//   const bool done = dialog.Run(mainWindow, job);   // job.Work(dialog) calls SetProgress and IsCancelled
#pragma once

#include <QPointer>
#include <string>

class QDialog;
class QProgressBar;
class QWidget;
class InsertSplice;
class LProgressDialog;

// The work a progress dialog runs: its only operation.
class LProgressJob {
public:
    virtual ~LProgressJob() = default;
    // Runs on the calling (main) thread; checks dialog.IsCancelled() between blocks.
    virtual bool Work(LProgressDialog& dialog) = 0;
};

class LProgressDialog final {
public:
    static constexpr size_t kCaptionLimit = 47;
    static constexpr size_t kFooterLimit = 79;

    // The caption and the footer are cut to their limits.
    LProgressDialog(std::string caption, std::string footer);
    ~LProgressDialog();
    LProgressDialog(const LProgressDialog&) = delete;
    LProgressDialog& operator=(const LProgressDialog&) = delete;

    // The two text lines (items 100 and 101).
    void SetLines(std::string first, std::string second);

    // Shows the dialog over `parent` with the bar at 0, lets pending events through and runs the job. False at
    // once when a job of this dialog runs already, or when the dialog was closed before the job could start;
    // otherwise the job's result. The dialog is gone afterwards.
    [[nodiscard]] bool Run(QWidget* parent, LProgressJob& job);

    // 0 to 100.
    void SetProgress(int percent);
    // Lets all pending events through (keys to the dialog), then answers whether the dialog was closed.
    bool IsCancelled();

    bool IsBusy() const { return m_busy; }
    // The dialog while a job runs, else null (tests press its buttons).
    QDialog* Window() const { return m_dialog; }

private:
    void Close();

    std::string m_caption;
    std::string m_footer;
    std::string m_first;
    std::string m_second;
    QPointer<QDialog> m_dialog;
    QProgressBar* m_bar = nullptr;
    bool m_busy = false;
    bool m_cancelled = false;
};

// Runs an insert splice under the "Insert Recording" dialog ("Inserting Recording", "Please wait..."); true when
// the recording was spliced in. MainDialog::RunSplice is this call.
bool RunSpliceWithProgress(QWidget* parent, InsertSplice& splice);
