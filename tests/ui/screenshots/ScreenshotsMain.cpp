// tallowin-screenshots OUTDIR: writes a picture of every window and dialog of the program (NAME.png) into OUTDIR,
// and the same drawn at twice the pixels, as a desktop at scale factor 2 draws it, into OUTDIR/scale-2; drawn on
// Qt's offscreen platform unless another platform is asked for.
#include "WindowCatalogue.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QPixmap>
#include <QWidget>
#include <cstdio>

namespace {

// The window drawn at `scale` device pixels to each of its own.
QPixmap Picture(QWidget& window, int scale) {
    QPixmap picture(window.size() * scale);
    picture.setDevicePixelRatio(scale);
    picture.fill(Qt::transparent);
    window.render(&picture);
    return picture;
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
    const QDir doubled(folder.filePath(QStringLiteral("scale-2")));
    WindowCatalogue catalogue;
    if (!doubled.mkpath(".") || !catalogue.IsReady()) {
        std::fprintf(stderr, "tallowin-screenshots: cannot make %s or a temporary data folder\n", argv[1]);
        return 1;
    }
    bool saved = true;
    catalogue.ForEach([&](const QString& name, QWidget& window) {
        for (const auto& [place, scale] : {std::pair{&folder, 1}, std::pair{&doubled, 2}}) {
            const QString path = place->filePath(name + ".png");
            const bool ok = Picture(window, scale).save(path, "PNG");
            std::fprintf(ok ? stdout : stderr, "%s%s\n", ok ? "" : "cannot write ", qPrintable(path));
            saved &= ok;
        }
    });
    return saved ? 0 : 1;
}
