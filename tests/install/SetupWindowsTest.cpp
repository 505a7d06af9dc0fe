// The installer and uninstaller windows as a new user meets them, in a temporary home: install from a download
// folder, re-install over it, cancel, a damaged file, the installed program started, uninstall with Yes, No and
// twice.
#include "ChildProcess.h"
#include "InstallTestHome.h"
#include "install/InstallerFile.h"
#include "install/ui/InstallWindow.h"
#include "install/ui/SetupTexts.h"
#include "install/ui/UninstallWindow.h"
#include "platform/Profile.h"
#include "ui/DialogUnits.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <gmock/gmock.h>

namespace {

using namespace ::testing;
using namespace std::chrono_literals;
using Outcome = InstallWindow::Outcome;

class SetupWindowsTest : public ::testing::Test, protected InstallTestHome {
protected:
    SetupWindowsTest() {
        m_prompts.tell = [this](QWidget*, QMessageBox::Icon, const QString& caption, const QString& text) {
            m_messages.push_back(caption + ": " + text);
        };
        m_prompts.ask = [this](QWidget*, const QString&, const QString& text) {
            m_messages.push_back(text);
            return m_answer;
        };
    }

    // An installer in the download folder whose parts carry `version`; the program has five blocks.
    std::string Installer(const std::string& version, std::string program = {}) {
        std::array<std::string, kPayloadParts> parts{
            program.empty() ? std::string(5 * PayloadCopy::kBlockBytes, 'p') + version : program};
        for (size_t part = 1; part < kPayloadParts; ++part)
            parts[part] = std::string(kPayloadNames[part]) + " " + version;
        return home.Write("Downloads/tallowin-setup", *InstallerFileBytes(parts));
    }

    InstallServices Services(const std::string& installer) {
        return {installer, places, m_prompts, [this](const std::vector<std::string>& arguments) {
                    m_started.push_back(arguments);
                    return true;
                }};
    }

    // Runs the window until it closes; after `cancelAfter` turns of the event loop, a click on Cancel.
    Outcome Install(InstallServices services, int cancelAfter = -1) {
        InstallWindow window(std::move(services));
        window.show();
        const bool copying = window.Begin();
        for (int turn = 0; copying && window.isVisible(); ++turn) {
            if (turn == cancelAfter)
                static_cast<QAbstractButton*>(FindControl(&window, SetupForm::kCancelId))->click();
            QCoreApplication::processEvents();
        }
        return window.Result();
    }

    bool Uninstall(bool answer) {
        m_answer = answer;
        UninstallWindow window(UninstallServices{places, places.installFolder, m_prompts});
        window.show();
        return window.Run();
    }

    std::string Installed(std::string_view name) const {
        return ReadFileBytes(places.installFolder + std::string(name)).value_or("<missing>");
    }

    SetupPrompts m_prompts;
    std::vector<QString> m_messages;
    std::vector<std::vector<std::string>> m_started;
    bool m_answer = false; // to the uninstaller's question
};

} // namespace

TEST_F(SetupWindowsTest, AnInstallPutsFilesEntriesAndShortcutInPlaceAndStartsTheWizardAndAReinstallKeepsTheUsersData) {
    const std::string installer = Installer("v1");
    EXPECT_EQ(Install(Services(installer)), Outcome::Installed);
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(Installed("tallowin"), *ReadFileBytes(installer, 5 * PayloadCopy::kBlockBytes + 2));
    EXPECT_EQ(Installed("Intro4.wav"), "Intro4.wav v1");
    EXPECT_TRUE(IsFolder(places.installFolder + "Current Files") && IsFolder(places.installFolder + "Sent Files"));
    EXPECT_THAT(EntryFiles(), Each(Truly(PathExists)));
    EXPECT_EQ(ModeOf(EntryFiles()[0]), 0755u) << "the desktop shortcut is executable";
    EXPECT_EQ(ProfileRead(places.keyFile, kUninstallSection, kUninstallStringKey, ""), places.UninstallerPath());
    EXPECT_EQ(m_started, (std::vector<std::vector<std::string>>{{places.ProgramPath(), "/install"}}));

    // Installed again, the program is replaced and the user's data kept; the new program, a script that writes down
    // its arguments, is really started.
    const char* data[] = {"settings.ini", "Recipient 1.dat", "bgsend.dat", "Current Files/3.wav", "Sent Files/2.wav"};
    for (const char* name : data)
        home.Write("data/Orrindale/Tallowin/" + std::string(name), name);
    InstallServices again = Services(Installer("v2", "#!/bin/sh\nprintf '%s\\n' \"$0\" \"$@\" > \"$0.started\"\n"));
    again.start = StartProgram;
    ASSERT_EQ(Install(std::move(again)), Outcome::Installed);
    EXPECT_EQ(Installed("tallowin.html"), "tallowin.html v2");
    for (const char* name : data)
        EXPECT_EQ(Installed(name), name);
    PollUntil([this] { return Installed("tallowin.started").find('\n') != std::string::npos; }, 10s);
    EXPECT_EQ(Installed("tallowin.started"), places.ProgramPath() + "\n/install\n");
}

TEST_F(SetupWindowsTest, CancelOrADamagedFileLeaveNoEntryAndTheEarlierInstallation) {
    EXPECT_EQ(Install(Services(Installer("v1")), 2), Outcome::Cancelled);
    EXPECT_THAT(EntryFiles(), Each(Not(Truly(PathExists))));
    EXPECT_FALSE(PathExists(places.ProgramPath()));

    ASSERT_EQ(Install(Services(Installer("v1"))), Outcome::Installed);
    RemoveInstallEntries(places);
    EXPECT_EQ(Install(Services(Installer("v2")), 3), Outcome::Cancelled);
    std::string damaged = *ReadFileBytes(Installer("v3"));
    damaged[100] ^= 0x20;
    EXPECT_EQ(Install(Services(home.Write("Downloads/tallowin-setup", damaged))), Outcome::Failed);
    EXPECT_EQ(m_messages,
              std::vector<QString>{QString(SetupTexts::kInstallErrorCaption) + ": " + SetupTexts::kCorrupt});
    EXPECT_EQ(Installed("Intro1.wav"), "Intro1.wav v1");
    EXPECT_THAT(EntryFiles(), Each(Not(Truly(PathExists))));
    EXPECT_EQ(m_started.size(), 1u);
}

TEST_F(SetupWindowsTest, UninstallingRemovesTheEntriesOnYesOnlyAndKeepsEveryFile) {
    ASSERT_EQ(Install(Services(Installer("v1"))), Outcome::Installed);
    home.Write("data/Orrindale/Tallowin/Current Files/1.wav", "dictation");
    const std::vector<std::string> files = *ListFolder(places.installFolder);
    EXPECT_FALSE(Uninstall(false));
    EXPECT_EQ(m_messages, std::vector<QString>{SetupTexts::kUninstallQuestion});
    EXPECT_THAT(EntryFiles(), Each(Truly(PathExists)));
    for (int time = 0; time < 2; ++time) {
        m_messages.clear();
        EXPECT_TRUE(Uninstall(true));
        ASSERT_EQ(m_messages.size(), 2u);
        EXPECT_TRUE(m_messages[1].contains(" " + QString::fromStdString(home / "data/Orrindale/Tallowin folder")));
        EXPECT_THAT(EntryFiles(), Each(Not(Truly(PathExists))));
        EXPECT_EQ(*ListFolder(places.installFolder), files);
        EXPECT_EQ(Installed("Current Files/1.wav"), "dictation");
    }
}
