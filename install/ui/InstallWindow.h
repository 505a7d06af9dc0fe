// InstallWindow: the installer's frame "Install Tallowin". Begin creates the install folders and checks the
// installer file; the copy then runs one block per idle turn of the event loop with the progress bar following it.
// Once every file is in place it writes the icon, the menu entries, the uninstall entry and the desktop shortcut,
// starts the installed program with "/install" (which shows the welcome wizard) and closes. Cancel, a damaged
// file or a failed write close it with no entry or shortcut made and an earlier installation as it was.
#pragma once

#include "install/InstallPlaces.h"
#include "install/PayloadCopy.h"
#include "install/ProgramStart.h"
#include "install/ui/SetupForm.h"
#include "install/ui/SetupPrompts.h"

#include <QTimer>

struct InstallServices {
    std::string installerPath; // the file with the payload: the running program itself
    InstallPlaces places;
    SetupPrompts prompts;
    ProgramStarter start = StartProgram;
};

class InstallWindow final : public SetupForm {
public:
    enum class Outcome { Copying, Installed, Failed, Cancelled };

    explicit InstallWindow(InstallServices services, QWidget* parent = nullptr);

    // Sets up and starts the copy; false when the installation has already ended (an unreadable file ends it
    // silently, a damaged one or unmakeable folders after "Install Error").
    bool Begin();

    Outcome Result() const { return m_outcome; }

protected:
    void OnCancel() override;

private:
    void CopyStep();
    // Ends the copy that came to `state`: completes an installation, or says why there is none.
    void Stop(PayloadCopy::State state);
    void Complete();
    void End(Outcome outcome);
    enum class Problem { Corrupt, CannotWrite };
    void ShowError(Problem problem); // "Install Error"

    InstallServices m_services;
    PayloadCopy m_copy;
    QTimer m_idle;
    Outcome m_outcome = Outcome::Copying;
};
