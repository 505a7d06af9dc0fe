#include "app/MainFrame.h"

#include "app/DictationSession.h"
#include "app/MainDialog.h"

#include <QCloseEvent>
#include <QLayout>
#include <QMenuBar>
#include <QTimer>

MainFrame::MainFrame(MainDialogServices services) {
    setWindowTitle(QStringLiteral("Tallowin"));
    // Fixed size: the window manager offers minimize and close, no maximize (the hints count only when customised).
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    m_form = new MainDialog(std::move(services), this);
    setCentralWidget(m_form);
    m_form->FillMenuBar(menuBar());
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void MainFrame::BringToFront() {
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void MainFrame::closeEvent(QCloseEvent* event) {
    // A splice in progress finishes first (its own dialog offers Cancel); the frame closes once it is done.
    if (m_form->Session().IsBusy()) {
        event->ignore();
        QTimer::singleShot(kCloseRetryMs, this, &QWidget::close);
        return;
    }
    m_form->Close();
    event->accept();
}
