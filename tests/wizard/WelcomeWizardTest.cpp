// What the main window greets the user with: the welcome wizard, whose pages each play their introduction recording
// in place of the one before, or the splash until its timer, a left click or its owner goes; and which of them.
#include "app/WelcomeWizard.h"

#include "EngineTestSupport.h"
#include "TempFolder.h"
#include "app/LogoWin.h"
#include "app/ProgramLocation.h"
#include "app/StartMode.h"
#include "audio/LSoundPlayer.h"
#include "platform/AudioBackend.h"

#include <QTest>
#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>

TEST(WelcomeWizard, EachPagePlaysItsRecordingInPlaceOfTheOneBeforeAndAMissingOrDamagedOneLeavesItSilent) {
    TempFolder folder; // the program folder, with the recordings
    PumpPoster poster;
    FileAudioOptions options;
    options.outputPath = folder / "played.wav";
    options.pacing = FilePacing::Fast;
    const std::unique_ptr<AudioBackend> backend = CreateFileBackend(options);
    ASSERT_TRUE(WriteWave(folder / "Intro2.wav", Samples(24000, 1000), 8000, 1));
    ASSERT_TRUE(WriteWave(folder / "Intro3.wav", Samples(6000, -3000), 8000, 1));
    folder.Write("Intro4.wav", "RIFF, but not really a wave file");
    WelcomeWizard wizard(nullptr, {poster, *backend, folder.Path(), {}, {}, {}, {}});
    wizard.show();
    EXPECT_EQ(wizard.PlayingPage(), 0) << "no Intro1.wav: page 1 stays silent";
    wizard.next();
    ASSERT_TRUE(wizard.Player() && wizard.Player()->IsBusy());
    EXPECT_EQ(wizard.Player()->SourceLength(), 24000);
    wizard.next();
    EXPECT_EQ(wizard.Player()->SourceLength(), 6000);
    for (int round = 0; round < 500 && wizard.Player()->IsBusy(); ++round)
        poster.WaitAndPump(std::chrono::milliseconds(20));
    // The output holds Intro3 from its start and nothing of Intro2.
    const Samples played = ReadWave(folder / "played.wav");
    ASSERT_GE(played.size(), 6000u);
    EXPECT_TRUE(std::all_of(played.begin(), played.begin() + 6000, [](int16_t s) { return s < -2900; }));
    EXPECT_TRUE(std::none_of(played.begin(), played.end(), [](int16_t s) { return s > 0; }));

    wizard.next();
    EXPECT_EQ(wizard.currentId() * 10 + wizard.PlayingPage(), 40) << "page 4, whose damaged recording plays nothing";
    EXPECT_FALSE(wizard.Player()->IsBusy());
    wizard.reject();
    EXPECT_EQ(wizard.Player(), nullptr) << "the player lives only while the wizard is open";
}

TEST(LogoWin, ALeftClickOrItsTimerOrItsOwnerClosesItAndClearsTheOwnersReference) {
    for (const char* closer : {"click", "timer", "owner"}) {
        SCOPED_TRACE(closer);
        auto owner = std::make_unique<QWidget>();
        QPointer<LogoWin> splash = ShowSplash(owner.get());
        ASSERT_TRUE(splash && splash->TimerId() != 0);
        if (closer == std::string("click")) {
            QTest::mouseClick(splash.data(), Qt::RightButton);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            ASSERT_FALSE(splash.isNull()) << "only the left button closes it";
            QTest::mouseClick(splash.data(), Qt::LeftButton);
        } else if (closer == std::string("timer")) {
            QTimerEvent timeout(splash->TimerId());
            QCoreApplication::sendEvent(splash.data(), &timeout);
        } else {
            owner.reset();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(splash.isNull());
    }
}

// The wizard greets a start from the installer ("/install" exactly as the first argument) and a packaged program's
// first start (no settings yet in the user's folder); the splash greets every other start.
TEST(WelcomeChoice, InstallAsTheFirstArgumentOrAPackagedProgramsFirstStartShowsTheWizard) {
    TempFolder home;
    ::setenv("XDG_DATA_HOME", home.Path().c_str(), 1);
    const Settings packaged = SettingsForProgram("/usr/lib/tallowin");
    home.Write("build/tallowin", "");
    const Settings beside = SettingsForProgram(home / "build");
    using Arguments = std::vector<std::string>;
    const std::tuple<Arguments, const Settings*, Welcome> cases[] = {
        {{"tallowin", "/install"}, &beside, Welcome::Wizard},
        {{"tallowin"}, &packaged, Welcome::Wizard},
        {{"tallowin"}, &beside, Welcome::Splash},
        {{}, &beside, Welcome::Splash},
        {{"tallowin", "/INSTALL"}, &beside, Welcome::Splash},
        {{"tallowin", "other", "/install"}, &beside, Welcome::Splash}};
    for (const auto& [arguments, settings, welcome] : cases)
        EXPECT_EQ(ChooseWelcomeAtStart(arguments, *settings), welcome) << testing::PrintToString(arguments);
    home.Write("Orrindale/Tallowin/settings.ini", "[settings]\n");
    EXPECT_EQ(ChooseWelcomeAtStart(Arguments{"tallowin"}, packaged), Welcome::Splash);
}
