// SetupForm: the small window that the installer and the uninstaller share, under their own titles and texts: the
// program icon, "Installing Tallowin. Please wait..." (or the uninstaller's text), a progress bar (control 100, 0 to 100) and "Cancel" (control 2,
// the default button, so Enter cancels too). Cancel, Escape and the close box all come to OnCancel.
#pragma once

#include <QDialog>

class QProgressBar;

class SetupForm : public QDialog {
public:
    static constexpr int kProgressId = 100;
    static constexpr int kCancelId = 2;

    SetupForm(const char* title, const char* working, QWidget* parent);

    void SetProgress(int percent);

    // The program's icon, as the installer also writes it beside the program.
    static QByteArray IconBytes();

    void reject() override { OnCancel(); }

protected:
    virtual void OnCancel() = 0;

private:
    QProgressBar* m_progress;
};
