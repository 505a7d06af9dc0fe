#include "WindowCatalogue.h"

#include "app/DictationSession.h"
#include "app/LProgressDialog.h"
#include "app/LogoWin.h"
#include "app/MainDialog.h"
#include "app/MainFrame.h"
#include "app/Settings.h"
#include "app/WelcomeWizard.h"
#include "audio/ui/SettingsDialog.h"
#include "dock/ui/DockDialog.h"
#include "install/ui/InstallWindow.h"
#include "install/ui/UninstallWindow.h"
#include "platform/AudioBackend.h"
#include "platform/CodecCatalog.h"
#include "platform/Poster.h"
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

#include <QApplication>
#include <QDialog>
#include <QTemporaryDir>

namespace {

void Visit(const WindowCatalogue::Visitor& visit, const QString& name, QWidget& window) {
    window.show();
    QApplication::processEvents();
    visit(name, window);
    window.close();
    QApplication::processEvents();
}

// Hands the progress dialog to the visitor from inside the job it runs.
class VisitingJob final : public LProgressJob {
public:
    explicit VisitingJob(const WindowCatalogue::Visitor& visit) : m_visit(visit) {}
    bool Work(LProgressDialog& dialog) override {
        dialog.SetLines("Inserting recording", "Dictation 1");
        dialog.SetProgress(40);
        QApplication::processEvents();
        if (QDialog* window = dialog.Window())
            m_visit(QStringLiteral("splice-progress"), *window);
        return true;
    }

private:
    const WindowCatalogue::Visitor& m_visit;
};

} // namespace

struct WindowCatalogue::Parts {
    QTemporaryDir data;
    Settings settings = Settings::ForProgramFolder(data.path().toStdString(), data.path().toStdString());
    PumpPoster poster;
    std::unique_ptr<AudioBackend> backend = CreateFileBackend({});
    bool ready = data.isValid() && settings.CreateFolders();
};

WindowCatalogue::WindowCatalogue() : m_parts(std::make_unique<Parts>()) {}

WindowCatalogue::~WindowCatalogue() = default;

bool WindowCatalogue::IsReady() const {
    return m_parts->ready;
}

void WindowCatalogue::ForEach(const Visitor& visit) {
    if (!m_parts->ready)
        return;
    Parts& parts = *m_parts;
    const auto noHelp = [](const std::string&) {};
    MainDialogServices mainServices;
    mainServices.settings = &parts.settings;
    mainServices.backend = parts.backend.get();
    mainServices.poster = &parts.poster;
    mainServices.help = noHelp;
    MainFrame frame(std::move(mainServices));
    Visit(visit, QStringLiteral("main-window"), frame);

    const auto nothing = [](QWidget*) {};
    WelcomeWizard wizard(&frame, {parts.poster, *parts.backend, {}, nothing, nothing, nothing, noHelp});
    wizard.show();
    for (int page = 1; page <= 5; ++page, wizard.next()) {
        QApplication::processEvents();
        visit(QStringLiteral("wizard-%1").arg(page), wizard);
    }
    wizard.reject();
    Visit(visit, QStringLiteral("splash"), *new LogoWin(&frame));

    SettingsDialog hardware(&frame, *parts.backend, parts.settings.settingsFile,
                            [](const std::string&, const std::string&) {});
    Visit(visit, QStringLiteral("hardware-settings"), hardware);
    LFormatChooseDlg chooser(&frame, *CodecCatalog::MakeFormat("gsm", 8000, 1));
    Visit(visit, QStringLiteral("format-chooser"), chooser);
    LTextEditDlg rename(&frame, "Dictation 1", QStringLiteral("Enter Dictation Name"));
    Visit(visit, QStringLiteral("dictation-name"), rename);

    SendDialogContext context;
    context.send = SendContext{parts.settings.programFolder, parts.settings.settingsFile, parts.settings.sentFolder};
    context.help = noHelp;
    TypistRecipient typist;
    typist.SetText(RecipientField::Name, "Typing Pool");
    (void)typist.Save(RecipientPath(context.send.programFolder, 0));
    RecipientSettingsDialog recipients(&frame, context);
    Visit(visit, QStringLiteral("recipient-settings"), recipients);
    SendToDialog recipient(&frame, context, 0);
    Visit(visit, QStringLiteral("recipient-properties"), recipient);
    UserSettingsDialog user(&frame, context);
    Visit(visit, QStringLiteral("user-settings"), user);
    UserIdentityDialog identity(&frame, context);
    Visit(visit, QStringLiteral("user-identity"), identity);
    MailSettingsDialog mail(&frame, context);
    Visit(visit, QStringLiteral("mail-settings"), mail);
    SelectedSendDialog sendTo(&frame, context);
    Visit(visit, QStringLiteral("send-to-recipient"), sendTo);
    Status status(context.send);
    for (const auto& [mode, name] : {std::pair{RecoverDialogMode::Recover, "recover"},
                                     std::pair{RecoverDialogMode::ViewProgress, "work-progress"}}) {
        RecoverDialog dialog(&frame, mode, context, status, *parts.backend);
        Visit(visit, QString::fromLatin1(name), dialog);
    }

    DockDialog dock(&frame, frame.Form().Session(), *parts.backend, parts.poster, parts.settings.settingsFile, noHelp);
    Visit(visit, QStringLiteral("dock-transfer"), dock);
    dock.reject();

    LProgressDialog progress("Insert", "Press Cancel to stop");
    VisitingJob job(visit);
    (void)progress.Run(&frame, job);

    InstallServices install;
    install.places.installFolder = parts.settings.programFolder + "install/";
    InstallWindow installer(install);
    Visit(visit, QStringLiteral("installer"), installer);
    UninstallWindow uninstaller({install.places, install.places.installFolder, {}});
    Visit(visit, QStringLiteral("uninstaller"), uninstaller);
    frame.Form().Close();
}
