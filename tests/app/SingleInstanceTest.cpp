// One program per data folder: a later start raises the running one, the installer's close request ends it and
// waits for its lock, in one process and as separate processes of the real program.
#include "ui/SingleInstance.h"

#include "ChildProcess.h"
#include "TempFolder.h"
#include "platform/FileOps.h"

#include <QCoreApplication>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <future>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace std::chrono_literals;

TEST(SingleInstance, OnlyOneRunsPerDataFolderAndItAnswersALaterStartsRaiseAndTheInstallersClose) {
    // The request, and whether the running instance ends on it (its lock going with it) or stays regardless.
    for (const auto& [request, ends] : {std::pair{"raise", false}, {"close", true}, {"close", false}}) {
        SCOPED_TRACE(std::string(request) + (ends ? " and end" : " and stay"));
        TempFolder folder;
        auto running = std::make_unique<SingleInstance>(folder.Path());
        ASSERT_TRUE(running->BecomePrimary());
        EXPECT_FALSE(SingleInstance(folder.Path()).BecomePrimary());
        std::string asked;
        running->OnRaiseRequest([&] { asked = "raise"; });
        running->OnCloseRequest([&, ends = ends] {
            asked = "close";
            if (ends)
                running.reset();
        });
        std::future<bool> answered = std::async(std::launch::async, [&, request = std::string(request), ends = ends] {
            SingleInstance later(folder.Path());
            return request == "raise" ? later.AskRunningToRaise() : later.CloseRunningAndWait(ends ? 20000ms : 300ms);
        });
        ASSERT_TRUE(QTest::qWaitFor([&] { return answered.wait_for(0s) == std::future_status::ready; }, 30000));
        EXPECT_EQ(answered.get(), request == std::string("raise") || ends) << "what the later start is told";
        QCoreApplication::processEvents();
        EXPECT_EQ(asked, request);
    }
}

TEST(Startup, OneProgramRunsFromItsOwnFolderUntilTheInstallerClosesIt) {
    TempFolder home; // also the runtime folder, where the running program's socket appears
    const std::string installFolder = home / "data/Orrindale/Tallowin/";
    ASSERT_TRUE(MakeFolders(installFolder) && MakeFolders(home / "Downloads"));
    const auto start = [&home](const std::string& name, const std::string& workingFolder) {
        const std::string program = home / name;
        if (!PathExists(program))
            std::filesystem::copy_file(TALLOWIN_EXECUTABLE, program);
        ChildProcess::Options options{{program},
                                      {{"QT_QPA_PLATFORM", "offscreen"},
                                       {"HOME", home.Path()},
                                       {"XDG_RUNTIME_DIR", home.Path()},
                                       {"XDG_DATA_HOME", home / "data"}},
                                      workingFolder,
                                      home / (std::string(FileNameOf(name)) + ".log")};
        return std::make_unique<ChildProcess>(program, std::move(options));
    };

    // Started from another current folder, it makes its folders beside itself and serves its socket.
    const auto running = start("data/Orrindale/Tallowin/tallowin", home / "Downloads");
    const auto serving = [&] {
        const std::vector<std::string> names = ListFolder(home.Path()).value_or(std::vector<std::string>{});
        return IsFolder(installFolder + "Sent Files") &&
               std::ranges::any_of(names, [](const std::string& name) { return name.ends_with(".socket"); });
    };
    ASSERT_TRUE(QTest::qWaitFor(serving, 20000)) << home.Read("tallowin.log");
    EXPECT_TRUE(IsFolder(installFolder + "Current Files") && !PathExists(home / "Downloads/Current Files"));

    // A second start asks the first to come to the front, ends with 0 and touches no file: every entry of the
    // install folder keeps its change time.
    const auto snapshot = [&] {
        std::string entries;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(installFolder)) {
            struct stat info {};
            ::lstat(entry.path().c_str(), &info);
            entries += entry.path().string() + " " + std::to_string(info.st_ctim.tv_nsec) + "\n";
        }
        return entries;
    };
    const std::string before = snapshot();
    EXPECT_EQ(start("data/Orrindale/Tallowin/tallowin", "/")->Wait(20s), 0);
    EXPECT_FALSE(running->HasEnded());
    EXPECT_EQ(snapshot(), before);

    // The installer, from the download folder, closes the program running in the install folder first; what it
    // does next (its payload is no real one here) is its own tests' business.
    const auto installer = start("Downloads/Tallowin-Setup", home / "Downloads");
    EXPECT_EQ(running->Wait(20s), 0) << "the running program ends on its own, as after Exit";
}
