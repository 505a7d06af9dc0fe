// tallowin-screenshots OUTDIR: writes a picture of every window and dialog of the program (NAME.png) into OUTDIR,
// drawn on Qt's offscreen platform unless another platform is asked for.
#include "WindowCatalogue.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QWidget>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tallowin-screenshots OUTDIR\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    WindowCatalogue catalogue;
    if (!folder.mkpath(".") || !catalogue.IsReady()) {
        std::fprintf(stderr, "tallowin-screenshots: cannot make %s or a temporary data folder\n", argv[1]);
        return 1;
    }
    bool saved = true;
    catalogue.ForEach([&](const QString& name, QWidget& window) {
        const QString path = folder.filePath(name + ".png");
        const bool ok = window.grab().save(path, "PNG");
        std::fprintf(ok ? stdout : stderr, "%s%s\n", ok ? "" : "cannot write ", qPrintable(path));
        saved &= ok;
    });
    return saved ? 0 : 1;
}
