#include "AudioBackend.h"
#include "MainDialog.h"
#include "MainFrame.h"
#include "QtPoster.h"
#include "Settings.h"
#include "SingleInstance.h"
#include "TempFolder.h"

#include <QCoreApplication>
#include <future>
#include <gtest/gtest.h>

namespace {

// Runs the owner's event loop until `answer` is ready.
template <class T>
T PumpUntil(std::future<T>& answer) {
    while (answer.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
        QCoreApplication::processEvents();
    return answer.get();
}

// A frame with its form on an empty data folder, the file audio device and no send queue.
struct TestFrame {
    TestFrame() {
        settings = Settings::ForProgramFolder(folder.Path(), folder.Path());
        EXPECT_TRUE(settings.CreateFolders());
        MainDialogServices services;
        services.settings = &settings;
        services.backend = backend.get();
        services.poster = &poster;
        frame = std::make_unique<MainFrame>(std::move(services));
    }
    TempFolder folder;
    Settings settings;
    QtPoster poster;
    std::unique_ptr<AudioBackend> backend = CreateFileBackend({});
    std::unique_ptr<MainFrame> frame;
};

} // namespace

TEST(SingleInstance, OnlyOneInstancePerDataFolderBecomesPrimary) {
    TempFolder folder;
    SingleInstance first(folder.Path());
    ASSERT_TRUE(first.BecomePrimary());
    SingleInstance second(folder.Path());
    EXPECT_FALSE(second.BecomePrimary());
    TempFolder other;
    SingleInstance elsewhere(other.Path());
    EXPECT_TRUE(elsewhere.BecomePrimary());
}

TEST(SingleInstance, ALaterStartRestoresTheMinimisedFrameAndBringsItToTheFront) {
    TempFolder folder;
    SingleInstance running(folder.Path());
    ASSERT_TRUE(running.BecomePrimary());
    TestFrame test;
    MainFrame& frame = *test.frame;
    running.OnRaiseRequest([&frame] { frame.BringToFront(); });
    frame.showMinimized();
    ASSERT_TRUE(frame.isMinimized());

    std::future<bool> answered = std::async(std::launch::async, [&] {
        SingleInstance later(folder.Path());
        return later.AskRunningToRaise();
    });
    EXPECT_TRUE(PumpUntil(answered));
    QCoreApplication::processEvents();
    EXPECT_FALSE(frame.isMinimized());
    EXPECT_TRUE(frame.isVisible());
}

TEST(SingleInstance, TheInstallersCloseRequestReachesTheRunningInstance) {
    TempFolder folder;
    auto running = std::make_unique<SingleInstance>(folder.Path());
    ASSERT_TRUE(running->BecomePrimary());
    bool closeAsked = false;
    running->OnCloseRequest([&] {
        closeAsked = true;
        running.reset(); // the program ends, and its lock goes with it
    });
    std::future<bool> closed = std::async(std::launch::async, [&] {
        SingleInstance installer(folder.Path());
        return installer.CloseRunningAndWait(std::chrono::seconds(20));
    });
    EXPECT_TRUE(PumpUntil(closed));
    EXPECT_TRUE(closeAsked);
}

TEST(SingleInstance, TheInstallerGivesUpOnAnInstanceThatDoesNotClose) {
    TempFolder folder;
    SingleInstance running(folder.Path());
    ASSERT_TRUE(running.BecomePrimary());
    std::future<bool> closed = std::async(std::launch::async, [&] {
        SingleInstance installer(folder.Path());
        return installer.CloseRunningAndWait(std::chrono::milliseconds(300));
    });
    EXPECT_FALSE(PumpUntil(closed));
}

TEST(MainFrame, TheFrameIsCalledTallowinAndCannotBeResized) {
    TestFrame test;
    MainFrame& frame = *test.frame;
    frame.show();
    EXPECT_EQ(frame.windowTitle(), "Tallowin");
    EXPECT_EQ(frame.minimumSize(), frame.maximumSize());
    EXPECT_FALSE(frame.windowFlags() & Qt::WindowMaximizeButtonHint);
}
