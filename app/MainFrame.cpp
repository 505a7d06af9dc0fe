#include "MainFrame.h"

#include "DialogUnits.h"

#include <QLayout>

MainFrame::MainFrame() {
    setWindowTitle(QStringLiteral("Tallowin"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    auto* form = new QWidget(this);
    form->setFixedSize(DialogUnits(font()).ToPixels(276, 108));
    setCentralWidget(form);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void MainFrame::BringToFront() {
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}
