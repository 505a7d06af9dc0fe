#include "install/ui/UninstallWindow.h"

#include "install/InstallEntries.h"
#include "install/ui/SetupTexts.h"

#include <QDir>

UninstallWindow::UninstallWindow(UninstallServices services, QWidget* parent)
    : SetupForm(SetupTexts::kUninstallTitle, SetupTexts::kRemoving, parent), m_services(std::move(services)) {}

bool UninstallWindow::Run() {
    const SetupPrompts& prompts = m_services.prompts;
    const bool remove = prompts.Ask(this, QString::fromUtf8(SetupTexts::kUninstallCaption),
                                    QString::fromUtf8(SetupTexts::kUninstallQuestion));
    if (remove) {
        RemoveInstallEntries(m_services.places);
        const QString folder = QDir::cleanPath(QString::fromStdString(m_services.installFolder));
        prompts.Tell(this, QMessageBox::NoIcon, QString::fromUtf8(SetupTexts::kUninstalledCaption),
                     QString::fromUtf8(SetupTexts::kUninstalled).arg(folder));
    }
    done(Accepted);
    return remove;
}
