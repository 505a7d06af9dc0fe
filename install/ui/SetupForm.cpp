#include "install/ui/SetupForm.h"

#include "install/ui/SetupTexts.h"
#include "ui/DialogUnits.h"

#include <QFile>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>

namespace {

constexpr const char* kIconResource = ":/tallowin/tallowin-48.png";
constexpr int kIconId = 101;
constexpr int kTextId = 102;

} // namespace

SetupForm::SetupForm(const char* title, const char* working, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromUtf8(title));
    const QIcon icon{QString::fromUtf8(kIconResource)};
    setWindowIcon(icon);
    const DialogUnits units(font());
    setFixedSize(units.ToPixels(186, 62));

    auto* picture = new QLabel(this);
    units.Place(picture, kIconId, 7, 7, 24, 24);
    picture->setPixmap(icon.pixmap(picture->size()));
    auto* text = new QLabel(QString::fromUtf8(working), this);
    units.Place(text, kTextId, 38, 7, 141, 18);
    m_progress = new QProgressBar(this);
    units.Place(m_progress, kProgressId, 38, 27, 141, 10);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    units.Place(cancel, kCancelId, 129, 42, 50, 14);
    cancel->setDefault(true);
    connect(cancel, &QPushButton::clicked, this, [this] { OnCancel(); });
}

void SetupForm::SetProgress(int percent) {
    m_progress->setValue(percent);
}

QByteArray SetupForm::IconBytes() {
    QFile file(QString::fromUtf8(kIconResource));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
