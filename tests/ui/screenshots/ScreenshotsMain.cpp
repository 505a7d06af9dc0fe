// tallowin-screenshots OUTDIR: writes wizard-1.png … wizard-5.png, splash.png and main-window.png into OUTDIR,
// drawing every window on Qt's offscreen platform unless another platform is asked for.
#include "app/LogoWin.h"
#include "app/MainDialog.h"
#include "app/MainFrame.h"
#include "app/Settings.h"
#include "app/WelcomeWizard.h"
#include "platform/AudioBackend.h"
#include "platform/FileOps.h"
#include "platform/Poster.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTemporaryDir>
#include <cstdio>

namespace {

bool Save(QWidget& window, const QDir& folder, const QString& name) {
    window.show();
    QApplication::processEvents();
    const bool saved = window.grab().save(folder.filePath(name), "PNG");
    std::fprintf(saved ? stdout : stderr, "%s%s\n", saved ? "" : "cannot write ", qPrintable(folder.filePath(name)));
    return saved;
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
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    // Silent: no recordings in the program folder, and a sound card that only counts time. The main window works on
    // an empty data folder of its own, with no send queue.
    const QTemporaryDir data;
    const Settings settings = Settings::ForProgramFolder(data.path().toStdString(), data.path().toStdString());
    if (!folder.mkpath(".") || !data.isValid() || !settings.CreateFolders()) {
        std::fprintf(stderr, "tallowin-screenshots: cannot make %s or a temporary data folder\n", argv[1]);
        return 1;
    }
    PumpPoster poster;
    std::unique_ptr<AudioBackend> backend = CreateFileBackend({});
    MainFrame frame(MainDialogServices{&settings, backend.get(), &poster, nullptr, [](const std::string&) {}});
    bool saved = Save(frame, folder, QStringLiteral("main-window.png"));

    const auto nothing = [](QWidget*) {};
    WelcomeWizard wizard(&frame, {poster, *backend, {}, nothing, nothing, nothing, [](const std::string&) {}});
    wizard.show();
    for (int page = 1; page <= 5; ++page, wizard.next())
        saved &= Save(wizard, folder, QStringLiteral("wizard-%1.png").arg(page));
    wizard.reject();

    saved &= Save(*new LogoWin(&frame), folder, QStringLiteral("splash.png"));
    frame.Form().Close();
    return saved ? 0 : 1;
}
