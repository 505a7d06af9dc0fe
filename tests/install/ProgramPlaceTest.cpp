// Where the installed and the packaged program keep their data, and when their first start shows the wizard.
#include "TempFolder.h"
#include "app/ProgramLocation.h"
#include "app/StartMode.h"

#include <cstdlib>
#include <gtest/gtest.h>

TEST(ProgramPlace, ThePackagedProgramKeepsItsDataInTheUsersFolderAndGreetsItsFirstStartWithTheWizard) {
    TempFolder home;
    ::setenv("XDG_DATA_HOME", home.Path().c_str(), 1);
    const Settings packaged = SettingsForProgram("/usr/lib/tallowin"); // its data in the user's folder
    home.Write("build/tallowin", "");
    const Settings beside = SettingsForProgram(home / "build");
    const std::vector<std::string> plain{"tallowin"};
    const std::vector<std::string> fromInstaller{"tallowin", "/install"};
    EXPECT_EQ(ChooseWelcomeAtStart(plain, packaged), Welcome::Wizard);
    EXPECT_EQ(ChooseWelcomeAtStart(plain, beside), Welcome::Splash);
    EXPECT_EQ(ChooseWelcomeAtStart(fromInstaller, beside), Welcome::Wizard);
    home.Write("Orrindale/Tallowin/settings.ini", "[settings]\n");
    EXPECT_EQ(ChooseWelcomeAtStart(plain, packaged), Welcome::Splash);
    EXPECT_EQ(ChooseWelcomeAtStart(fromInstaller, packaged), Welcome::Wizard);
}
