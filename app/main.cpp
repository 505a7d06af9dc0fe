// The entry: finds the program folder, chooses the mode from the executable's name, keeps one normal instance.
#include "app/DictationSession.h"
#include "app/MainDialog.h"
#include "app/MainFrame.h"
#include "app/ProgramLocation.h"
#include "app/Settings.h"
#include "app/StartMode.h"
#include "app/WelcomeChoice.h"
#include "install/ui/SetupModes.h"
#include "platform/AudioBackend.h"
#include "platform/FileOps.h"
#include "send/BGSend.h"
#include "ui/EndSignalWatch.h"
#include "ui/QtPoster.h"
#include "ui/SingleInstance.h"

#include <QApplication>
#include <QMessageBox>
#include <QSessionManager>
#include <cstdio>
#include <unistd.h>

namespace {

int RunNormalMode(const Settings& settings, Welcome welcome) {
    SingleInstance instance(settings.dataFolder);
    if (!instance.BecomePrimary()) {
        instance.AskRunningToRaise();
        return 0;
    }
    if (!settings.CreateFolders()) {
        QMessageBox::critical(nullptr, QStringLiteral("Tallowin"),
                              QStringLiteral("Tallowin cannot create its folders in\n%1")
                                  .arg(QString::fromStdString(settings.dataFolder)));
        return 1;
    }
    // Destroyed in reverse order: the frame (its form stops the engines and detaches from the queue) before the
    // queue (its worker stops), before the poster and the sound system the engines used.
    QtPoster poster;
    const std::unique_ptr<AudioBackend> backend = CreateAudioBackend();
    BGSend queue(SendContext{settings.dataFolder, settings.settingsFile, settings.sentFolder});
    queue.Open(settings.dataFolder); // resumes what a former run left queued
    (void)queue.RequeueStranded();   // dictations moved to "Sent Files/" but never queued (a crash in between)

    MainDialogServices services;
    services.settings = &settings;
    services.backend = backend.get();
    services.poster = &poster;
    services.queue = &queue;
    MainFrame frame(std::move(services));
    instance.OnRaiseRequest([&frame] { frame.BringToFront(); });
    instance.OnCloseRequest([&frame] { frame.close(); });
    // Ended by the desktop or the system: closed as Exit closes it (a recording is finished, the notes saved, then
    // the queue's worker stopped as the queue goes).
    const EndSignalWatch endSignals([&frame] { frame.close(); });
    // A log-out first asks that nothing typed be lost; the end itself comes after as a close or a signal.
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, &frame, [&frame](QSessionManager&) {
        DictationSession& session = frame.Form().Session();
        (void)session.SaveDetails();
        (void)session.SaveSettings();
    });
    frame.show();
    frame.Form().Start(welcome);
    const int result = QApplication::exec();
    frame.Form().Close();
    return result;
}

} // namespace

int main(int argc, char** argv) {
    const std::string executable = ExecutablePath();
    if (executable.empty()) {
        std::fprintf(stderr, "tallowin: cannot find the program's own file\n");
        return 1;
    }
    const std::string programFolder(FolderOf(executable));
    if (::chdir(programFolder.c_str()) != 0) {
        std::fprintf(stderr, "tallowin: cannot enter the program folder %s\n", programFolder.c_str());
        return 1;
    }
    const std::vector<std::string> arguments(argv, argv + argc);
    QApplication application(argc, argv);
    // Windows without a title of their own (and the desktop's lists of windows) name the program, not its file.
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Tallowin"));
    const Settings settings = SettingsForProgram(programFolder);
    switch (ChooseStartMode(FileNameOf(executable))) {
    case StartMode::Install:
        return RunInstallMode(executable);
    case StartMode::Uninstall:
        return RunUninstallMode(executable);
    case StartMode::Normal:
        break;
    }
    return RunNormalMode(settings, ChooseWelcomeAtStart(arguments, settings));
}
