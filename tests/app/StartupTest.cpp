// The program's start-up as separate processes: single instance, the installer closing a running program,
// and start from another current folder.
#include "ChildProcess.h"
#include "FileOps.h"
#include "TempFolder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

namespace {

using namespace std::chrono_literals;

// A program folder holding a copy of the program under a given name, with its own runtime folder.
class ProgramFolder {
public:
    std::string Install(const std::string& name) {
        const std::string path = m_folder / name;
        std::filesystem::copy_file(TALLOWIN_EXECUTABLE, path, std::filesystem::copy_options::overwrite_existing);
        return path;
    }

    ChildProcess::Options Options(const std::string& program, const std::string& workingFolder = "/") const {
        ChildProcess::Options options;
        options.arguments = {program};
        options.environment = {{"QT_QPA_PLATFORM", "offscreen"},
                               {"XDG_RUNTIME_DIR", m_runtime.Path()},
                               {"XDG_DATA_HOME", m_runtime / "data"}};
        options.workingFolder = workingFolder;
        options.outputFile = m_runtime / (std::filesystem::path(program).filename().string() + ".log");
        return options;
    }

    // Waits until the running program has made its folders and serves its socket.
    bool WaitUntilRunning() const {
        for (int i = 0; i < 1000; ++i) {
            const auto names = ListFolder(m_runtime.Path());
            bool socket = false;
            for (const std::string& name : names.value_or(std::vector<std::string>{}))
                socket = socket || name.ends_with(".socket");
            if (socket && IsFolder(m_folder / "Current Files") && IsFolder(m_folder / "Sent Files"))
                return true;
            std::this_thread::sleep_for(20ms);
        }
        return false;
    }

    // Every entry of the program folder with its change time, to see that nothing was touched.
    std::string Snapshot() const {
        std::string snapshot;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(m_folder.Path())) {
            struct stat info {};
            ::lstat(entry.path().c_str(), &info);
            snapshot += entry.path().string() + " " + std::to_string(info.st_ctim.tv_nsec) + "\n";
        }
        return snapshot;
    }

    const TempFolder& Folder() const { return m_folder; }

private:
    TempFolder m_folder;
    TempFolder m_runtime;
};

} // namespace

TEST(Startup, ANormalStartMakesItsFoldersInTheProgramFolderWhateverTheCurrentFolder) {
    ProgramFolder program;
    const std::string executable = program.Install("tallowin");
    TempFolder elsewhere;
    ChildProcess first(executable, program.Options(executable, elsewhere.Path()));
    ASSERT_TRUE(program.WaitUntilRunning());
    EXPECT_FALSE(PathExists(elsewhere / "Current Files"));
    first.Kill(SIGTERM);
    EXPECT_TRUE(first.Wait(10s).has_value());
}

TEST(Startup, ASecondNormalStartLeavesTheFirstRunningAndTouchesNoFile) {
    ProgramFolder program;
    const std::string executable = program.Install("tallowin");
    ChildProcess first(executable, program.Options(executable));
    ASSERT_TRUE(program.WaitUntilRunning());
    const std::string before = program.Snapshot();

    ChildProcess second(executable, program.Options(executable));
    EXPECT_EQ(second.Wait(20s), 0);
    EXPECT_FALSE(first.HasEnded());
    EXPECT_EQ(program.Snapshot(), before);
    first.Kill(SIGTERM);
    first.Wait(10s);
}

TEST(Startup, TheInstallerClosesTheRunningProgramFirstAndSaysItCannotInstallYet) {
    ProgramFolder program;
    const std::string executable = program.Install("tallowin");
    ChildProcess first(executable, program.Options(executable));
    ASSERT_TRUE(program.WaitUntilRunning());

    const std::string installer = program.Install("Tallowin-Setup");
    ChildProcess setup(installer, program.Options(installer));
    EXPECT_EQ(first.Wait(20s), 0);
    EXPECT_EQ(setup.Wait(20s), 3);
}

TEST(Startup, TheUninstallerWithNothingRunningSaysItCannotUninstallYet) {
    ProgramFolder program;
    const std::string uninstaller = program.Install("uninst");
    ChildProcess run(uninstaller, program.Options(uninstaller));
    EXPECT_EQ(run.Wait(20s), 3);
    EXPECT_FALSE(PathExists(program.Folder() / "Current Files"));
}
