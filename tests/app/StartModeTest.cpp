#include "StartMode.h"

#include <gtest/gtest.h>

TEST(StartMode, ANameContainingSetupInstallsWhateverElseItHolds) {
    for (const char* name : {"setup", "Setup32", "mysetup", "SetupUninst", "tallowin-setup", "SETUP.EXE", "sEtUp"})
        EXPECT_EQ(ChooseStartMode(name), StartMode::Install) << name;
}

TEST(StartMode, ANameContainingUninstUninstalls) {
    for (const char* name : {"uninst", "UNINSTALL", "tallowin-Uninst", "uninstal_"})
        EXPECT_EQ(ChooseStartMode(name), StartMode::Uninstall) << name;
}

TEST(StartMode, AnyOtherNameRunsTheDictationSystem) {
    for (const char* name : {"tallowin", "Tallowin", "setu", "unins", ""})
        EXPECT_EQ(ChooseStartMode(name), StartMode::Normal) << name;
}
