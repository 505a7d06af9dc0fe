// tallowin-screenshots OUTDIR: writes wizard-1.png … wizard-5.png, splash.png and main-window.png into OUTDIR,
// drawing every window on Qt's offscreen platform unless another platform is asked for.
#include "LogoWin.h"
#include "MainDialog.h"
#include "MainFrame.h"
#include "Settings.h"
#include "WelcomeWizard.h"

#include <AudioBackend.h>
#include <FileOps.h>
#include <Poster.h>
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTemporaryDir>
#include <cstdio>

namespace {

bool Save(QWidget& window, const QString& folder, const QString& name) {
    window.show();
    QApplication::processEvents();
    const QString path = QDir(folder).filePath(name);
    if (!window.grab().save(path, "PNG")) {
        std::fprintf(stderr, "tallowin-screenshots: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tallowin-screenshots OUTDIR\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "tallowin-screenshots: cannot make the folder %s\n", argv[1]);
        return 1;
    }

    // Silent: no recordings in the program folder, and a sound card that only counts time. The main window
    // works on an empty data folder of its own, with no send queue.
    PumpPoster poster;
    std::unique_ptr<AudioBackend> backend = CreateFileBackend({});
    const QTemporaryDir data;
    const std::string dataFolder = JoinPath(data.path().toStdString(), "");
    const Settings settings = Settings::ForProgramFolder(dataFolder, dataFolder);
    if (!data.isValid() || !settings.CreateFolders()) {
        std::fprintf(stderr, "tallowin-screenshots: cannot make a temporary data folder\n");
        return 1;
    }
    MainDialogServices mainServices;
    mainServices.settings = &settings;
    mainServices.backend = backend.get();
    mainServices.poster = &poster;
    mainServices.help = [](const std::string&) {};
    MainFrame frame(std::move(mainServices));
    bool saved = Save(frame, folder, QStringLiteral("main-window.png"));

    WizardServices services{poster, *backend, {}, {}, {}, {}, {}};
    services.hardwareSettings = [](QWidget*) {};
    services.recipientSettings = [](QWidget*) {};
    services.userSettings = [](QWidget*) {};
    services.help = [](const std::string&) {};
    WelcomeWizard wizard(&frame, services);
    wizard.show();
    for (int page = 1; page <= 5; ++page) {
        saved &= Save(wizard, folder, QStringLiteral("wizard-%1.png").arg(page));
        wizard.next();
    }
    wizard.reject();

    auto* splash = new LogoWin(&frame);
    saved &= Save(*splash, folder, QStringLiteral("splash.png"));
    frame.Form().Close();
    return saved ? 0 : 1;
}
