// UninstallWindow: the uninstaller's frame "Uninstall Software" (the installer's form; its Cancel does nothing).
// Run asks "Are you sure ...?"; on Yes it removes the desktop shortcut, the menu entries and the uninstall entry,
// keeps every file in the install folder and says so, naming that folder; on No nothing changes. Then it closes.
#pragma once

#include "install/InstallPlaces.h"
#include "install/ui/SetupForm.h"
#include "install/ui/SetupPrompts.h"

struct UninstallServices {
    InstallPlaces places;      // the entries to remove
    std::string installFolder; // the folder the uninstaller runs from, named in the final message
    SetupPrompts prompts;
};

class UninstallWindow final : public SetupForm {
public:
    explicit UninstallWindow(UninstallServices services, QWidget* parent = nullptr);

    // Asks, removes on Yes, closes; true when the entries were removed.
    bool Run();

protected:
    void OnCancel() override {}

private:
    UninstallServices m_services;
};
