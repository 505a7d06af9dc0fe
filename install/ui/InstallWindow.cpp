#include "install/ui/InstallWindow.h"

#include "install/InstallEntries.h"
#include "install/ui/SetupTexts.h"
#include "platform/FileOps.h"

InstallWindow::InstallWindow(InstallServices services, QWidget* parent)
    : SetupForm(SetupTexts::kInstallTitle, SetupTexts::kWorking, parent), m_services(std::move(services)),
      m_copy(m_services.installerPath, m_services.places.installFolder) {
    m_idle.setInterval(0); // fires whenever the event loop has nothing else to do
    connect(&m_idle, &QTimer::timeout, this, [this] { CopyStep(); });
}

bool InstallWindow::Begin() {
    if (!m_services.places.CreateInstallFolders()) {
        ShowError(Problem::CannotWrite);
        End(Outcome::Failed);
        return false;
    }
    const PayloadCopy::State state = m_copy.Open();
    if (state != PayloadCopy::State::Copying) {
        Stop(state);
        return false;
    }
    m_idle.start();
    return true;
}

void InstallWindow::CopyStep() {
    const PayloadCopy::State state = m_copy.Step();
    SetProgress(m_copy.Percent());
    if (state != PayloadCopy::State::Copying)
        Stop(state);
}

void InstallWindow::Stop(PayloadCopy::State state) {
    switch (state) {
    case PayloadCopy::State::Installed:
        Complete();
        End(Outcome::Installed);
        return;
    case PayloadCopy::State::Corrupt:
        ShowError(Problem::Corrupt);
        break;
    case PayloadCopy::State::WriteFailed:
        ShowError(Problem::CannotWrite);
        break;
    default: // an installer that cannot read itself ends without a word
        break;
    }
    End(Outcome::Failed);
}

void InstallWindow::Complete() {
    const InstallPlaces& places = m_services.places;
    const QByteArray icon = IconBytes();
    // Each step goes on when one before it failed: a missing icon or entry is all the user sees of it.
    (void)WriteFileAtomically(places.IconPath(), std::string_view(icon.constData(), icon.size()), 0644);
    (void)AddProgramMenuEntries(places);
    (void)AddUninstallEntry(places);
    (void)AddDesktopShortcut(places);
    (void)m_services.start({places.ProgramPath(), "/install"});
}

void InstallWindow::OnCancel() {
    if (m_outcome != Outcome::Copying)
        return;
    m_copy.Cancel();
    End(Outcome::Cancelled);
}

void InstallWindow::End(Outcome outcome) {
    m_idle.stop();
    m_outcome = outcome;
    done(outcome == Outcome::Installed ? Accepted : Rejected);
}

void InstallWindow::ShowError(Problem problem) {
    const QString text =
        problem == Problem::Corrupt
            ? QString::fromUtf8(SetupTexts::kCorrupt)
            : QString::fromUtf8(SetupTexts::kCannotWrite).arg(QString::fromStdString(m_services.places.installFolder));
    m_services.prompts.Tell(this, QMessageBox::Warning, QString::fromUtf8(SetupTexts::kInstallErrorCaption), text);
}
