#include "install/ui/SetupModes.h"

#include "install/ui/InstallWindow.h"
#include "install/ui/SetupTexts.h"
#include "install/ui/UninstallWindow.h"
#include "platform/FileOps.h"
#include "ui/SingleInstance.h"

namespace {

// The running program is found by the folder it serves, whatever folder this program was started from.
bool CloseRunningProgram(const std::string& installFolder, const char* caption) {
    SingleInstance instance(installFolder);
    if (instance.CloseRunningAndWait(kCloseWait))
        return true;
    SetupPrompts{}.Tell(nullptr, QMessageBox::Warning, QString::fromUtf8(caption),
                        QString::fromUtf8(SetupTexts::kStillRunning));
    return false;
}

} // namespace

int RunInstallMode(const std::string& installerPath) {
    InstallServices services{installerPath, InstallPlaces::ForUser(), {}, StartProgram};
    if (!CloseRunningProgram(services.places.installFolder, SetupTexts::kInstallErrorCaption))
        return 1;
    InstallWindow window(std::move(services));
    if (window.Begin())
        window.exec();
    return window.Result() == InstallWindow::Outcome::Installed ? 0 : 1;
}

int RunUninstallMode(const std::string& uninstallerPath) {
    const std::string installFolder(FolderOf(uninstallerPath));
    if (!CloseRunningProgram(installFolder, SetupTexts::kUninstallCaption))
        return 1;
    UninstallWindow window(UninstallServices{InstallPlaces::ForUser(), installFolder, {}});
    window.show();
    window.Run();
    return 0;
}
