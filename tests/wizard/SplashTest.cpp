#include "LogoWin.h"
#include "WelcomeWizard.h"

#include <AudioBackend.h>
#include <Poster.h>
#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>
#include <QTimerEvent>
#include <gtest/gtest.h>

namespace {

// Runs the deletions that closing the splash queued.
void RunDeferredDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

TEST(LogoWin, IsTheLogoWithRoomForTheNameBelow) {
    QWidget owner;
    QPointer<LogoWin> splash = ShowSplash(&owner);
    ASSERT_FALSE(splash.isNull());
    EXPECT_EQ(splash->size(), QSize(340 + 4, 198 + 88));
    EXPECT_TRUE(splash->isVisible());
    EXPECT_TRUE(splash->isWindow());
    EXPECT_TRUE(splash->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_NE(splash->TimerId(), 0);
    const QImage picture = splash->grab().toImage();
    EXPECT_NE(picture.pixel(170, 100), picture.pixel(170, 250)); // the logo above, the name's band below
}

TEST(LogoWin, ALeftClickClosesItAndClearsTheOwnersReference) {
    QWidget owner;
    QPointer<LogoWin> splash = ShowSplash(&owner);
    ASSERT_FALSE(splash.isNull());
    QTest::mouseClick(splash.data(), Qt::RightButton);
    RunDeferredDeletes();
    ASSERT_FALSE(splash.isNull()); // only the left button closes it
    QTest::mouseClick(splash.data(), Qt::LeftButton);
    RunDeferredDeletes();
    EXPECT_TRUE(splash.isNull());
}

TEST(LogoWin, ItsTimerClosesIt) {
    QWidget owner;
    QPointer<LogoWin> splash = ShowSplash(&owner);
    ASSERT_FALSE(splash.isNull());
    QTimerEvent timeout(splash->TimerId());
    QCoreApplication::sendEvent(splash.data(), &timeout);
    RunDeferredDeletes();
    EXPECT_TRUE(splash.isNull());
}

TEST(LogoWin, GoesWithItsOwner) {
    auto owner = std::make_unique<QWidget>();
    QPointer<LogoWin> splash = ShowSplash(owner.get());
    owner.reset();
    EXPECT_TRUE(splash.isNull());
}

TEST(ShowWelcome, WithoutInstallShowsTheSplash) {
    PumpPoster poster;
    std::unique_ptr<AudioBackend> backend = CreateFileBackend({});
    const WizardServices services{poster, *backend, {}, {}, {}, {}, {}};
    QWidget owner;
    const std::vector<std::string> arguments{"tallowin", "/INSTALL"};
    QPointer<LogoWin> splash = ShowWelcome(&owner, arguments, services);
    ASSERT_FALSE(splash.isNull());
    EXPECT_TRUE(splash->isVisible());
}

TEST(ShowWelcome, WithInstallRunsTheWizardModallyOverTheOwner) {
    PumpPoster poster;
    std::unique_ptr<AudioBackend> backend = CreateFileBackend({});
    const WizardServices services{poster, *backend, {}, {}, {}, {}, {}};
    QWidget owner;
    owner.show();
    // What was shown, looked at while it runs (it is gone once ShowWelcome returns).
    bool wasWizard = false;
    bool modal = false;
    QWidget* parent = nullptr;
    QTimer::singleShot(0, [&] {
        QWidget* shown = QApplication::activeModalWidget();
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (shown == nullptr && window->isVisible() && dynamic_cast<WelcomeWizard*>(window) != nullptr)
                shown = window; // not modal after all: still closed, so the test ends
        }
        if (shown == nullptr)
            return;
        wasWizard = dynamic_cast<WelcomeWizard*>(shown) != nullptr;
        modal = shown->isModal();
        parent = shown->parentWidget();
        static_cast<QDialog*>(shown)->reject();
    });
    const std::vector<std::string> arguments{"tallowin", "/install"};
    EXPECT_TRUE(ShowWelcome(&owner, arguments, services).isNull());
    EXPECT_TRUE(wasWizard);
    EXPECT_TRUE(modal);
    EXPECT_EQ(parent, &owner);
}
