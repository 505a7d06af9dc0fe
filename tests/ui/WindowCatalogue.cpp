#include "WindowCatalogue.h"

#include "app/ControlsSection.h"
#include "app/DictationSession.h"
#include "app/LProgressDialog.h"
#include "app/LogoWin.h"
#include "app/MainDialog.h"
#include "app/MainFrame.h"
#include "app/WelcomeWizard.h"
#include "audio/ui/SettingsDialog.h"
#include "controls/internal/OpenErrorText.h"
#include "dock/ui/DockDialog.h"
#include "install/ui/InstallWindow.h"
#include "install/ui/UninstallWindow.h"
#include "platform/CodecCatalog.h"
#include "send/Status.h"
#include "send/TypistRecipient.h"
#include "send/ui/MailSettingsDialog.h"
#include "send/ui/RecipientSettingsDialog.h"
#include "send/ui/RecoverDialog.h"
#include "send/ui/SelectedSendDialog.h"
#include "send/ui/SendToDialog.h"
#include "send/ui/UserIdentityDialog.h"
#include "send/ui/UserSettingsDialog.h"
#include "sound/ui/LFormatChooseDlg.h"
#include "sound/ui/LTextEditDlg.h"
#include "store/DictationStore.h"

#include <QApplication>
#include <QDialog>
#include <cerrno>
#include <ctime>

namespace {

// Hands the progress dialog to the visitor from inside the job it runs.
class VisitingJob final : public LProgressJob {
public:
    explicit VisitingJob(const WindowCatalogue::Visitor& visit) : m_visit(visit) {}
    bool Work(LProgressDialog& dialog) override {
        dialog.SetProgress(40);
        QApplication::processEvents();
        if (QDialog* window = dialog.Window())
            m_visit(QStringLiteral("splice-progress"), *window);
        return true;
    }

private:
    const WindowCatalogue::Visitor& m_visit;
};

// A dictation with notes whose date text is as wide as one gets ("...started 28 September 2026 23:58"), so the
// main window shows its longest texts. Created here, with no recording, it is kept for its notes.
bool AddWidestDictation(const Settings& settings) {
    std::tm september{};
    ::strptime("2026-09-28 23:58", "%Y-%m-%d %H:%M", &september);
    september.tm_isdst = -1;
    const int64_t date = std::mktime(&september);
    DictationStore store(settings.currentFolder, settings.sentFolder, settings.settingsFile,
                         {{}, {}, [date] { return date; }});
    const NamedResult created = store.Create();
    return created.result == StoreResult::Done &&
           store.SaveDetails(created.name, "Normal", "Letter to the bank") == StoreResult::Done;
}

} // namespace

WindowCatalogue::WindowCatalogue()
    : m_settings(Settings::ForProgramFolder(m_data.path().toStdString(), m_data.path().toStdString())),
      m_backend(CreateFileBackend({})),
      m_ready(m_data.isValid() && m_settings.CreateFolders() && AddWidestDictation(m_settings)) {}

void WindowCatalogue::ForEach(const Visitor& visit) {
    if (!m_ready)
        return;
    const auto noHelp = [](const std::string&) {};
    const auto show = [&visit](auto&& window, const char* name) {
        window.show();
        QApplication::processEvents();
        visit(QString::fromLatin1(name), window);
        window.close();
        QApplication::processEvents();
    };
    MainFrame frame({&m_settings, m_backend.get(), &m_poster, nullptr, noHelp});
    show(frame, "main-window");

    const auto nothing = [](QWidget*) {};
    WelcomeWizard wizard(&frame, {m_poster, *m_backend, {}, nothing, nothing, nothing, noHelp});
    wizard.show();
    for (int page = 1; page <= 5; ++page, wizard.next()) {
        QApplication::processEvents();
        visit(QStringLiteral("wizard-%1").arg(page), wizard);
    }
    wizard.reject();
    show(*new LogoWin(&frame), "splash");
    const auto controls = [&](QWidget* dialog) { // Hardware Settings with a device that cannot be opened
        return new ControlsSection(dialog, m_settings.settingsFile,
                                   {{"/dev/input/event6", "Dictation microphone", 0x0911, 0x1844, "mic", true,
                                     OpenErrorText("Dictation microphone", "/dev/input/event6", EACCES)}},
                                   nullptr);
    };
    show(SettingsDialog(
             &frame, *m_backend, m_settings.settingsFile, [](const std::string&, const std::string&) {}, controls),
         "hardware-settings");
    show(LFormatChooseDlg(&frame, *CodecCatalog::MakeFormat("gsm", 8000, 1)), "format-chooser");
    show(LTextEditDlg(&frame, "Dictation 1", QStringLiteral("Enter Dictation Name")), "dictation-name");

    SendDialogContext context;
    context.send = SendContext{m_settings.programFolder, m_settings.settingsFile, m_settings.sentFolder};
    context.help = noHelp;
    TypistRecipient typist;
    typist.SetText(RecipientField::Name, "Typing Pool");
    (void)typist.Save(RecipientPath(context.send.programFolder, 0));
    show(RecipientSettingsDialog(&frame, context), "recipient-settings");
    show(SendToDialog(&frame, context, 0), "recipient-properties");
    show(UserSettingsDialog(&frame, context), "user-settings");
    show(UserIdentityDialog(&frame, context), "user-identity");
    show(MailSettingsDialog(&frame, context), "mail-settings");
    show(SelectedSendDialog(&frame, context), "send-to-recipient");
    Status status(context.send);
    show(RecoverDialog(&frame, RecoverDialogMode::Recover, context, status, *m_backend), "recover");
    show(RecoverDialog(&frame, RecoverDialogMode::ViewProgress, context, status, *m_backend), "work-progress");
    DockDialog dock(&frame, frame.Form().Session(), *m_backend, m_poster, m_settings.settingsFile, noHelp);
    show(dock, "dock-transfer");
    dock.reject();

    LProgressDialog progress("Insert", "Press Cancel to stop");
    progress.SetLines("Inserting Recording", "Please wait...");
    VisitingJob job(visit);
    (void)progress.Run(&frame, job);

    InstallServices install;
    install.places.installFolder = m_settings.programFolder + "install/";
    show(InstallWindow(install), "installer");
    show(UninstallWindow({install.places, install.places.installFolder, {}}), "uninstaller");
    frame.Form().Close();
}
