#include "ui/DialogButtons.h"

#include "ui/DialogUnits.h"

#include <QDialog>
#include <QPushButton>

namespace {

constexpr int kOkId = 1;
constexpr int kCancelId = 2;
constexpr int kHelpId = 9;

} // namespace

void AddDialogButtons(QDialog* dialog, const DialogUnits& units, DialogButtonRow row, std::function<void()> help) {
    const int step = row.width + row.gap;
    auto* ok = new QPushButton(QDialog::tr(row.okText), dialog);
    units.Place(ok, kOkId, row.x, row.y, row.width, row.height);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    auto* cancel = new QPushButton(QDialog::tr("Cancel"), dialog);
    units.Place(cancel, kCancelId, row.x + step, row.y, row.width, row.height);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    if (!help)
        return;
    auto* helpButton = new QPushButton(QDialog::tr("Help"), dialog);
    units.Place(helpButton, kHelpId, row.x + 2 * step, row.y, row.width, row.height);
    QObject::connect(helpButton, &QPushButton::clicked, dialog, std::move(help));
}
