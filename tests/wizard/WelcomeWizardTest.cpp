// What the main window greets the user with: the welcome wizard after installation, whose pages each play their
// introduction recording in place of the one before, or the splash until its timer, a left click or its owner goes.
#include "app/WelcomeWizard.h"

#include "TempFolder.h"
#include "app/LogoWin.h"
#include "app/WelcomeChoice.h"
#include "audio/LSoundPlayer.h"
#include "platform/AudioBackend.h"
#include "platform/Poster.h"
#include "sound/LSoundSink.h"
#include "sound/SampleFormat.h"
#include "sound/WaveFile.h"

#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

class WelcomeWizardTest : public ::testing::Test {
protected:
    // A mono 16-bit wave at 8000 Hz of `frames` frames all holding `value`.
    void WriteConstantWave(const std::string& name, int32_t frames, int16_t value) {
        LSoundSinkHandle sink = CreatePCMFileSink(m_folder / name, 8000, 1, 16, 0);
        const std::vector<int32_t> samples(static_cast<size_t>(frames), LSF16::ToPipeline(value));
        sink->Write(samples.data(), frames);
        ASSERT_TRUE(FinishFileSink(*sink)) << name;
    }

    TempFolder m_folder; // the program folder, with the recordings
    PumpPoster m_poster;
    std::unique_ptr<AudioBackend> m_backend = [this] {
        FileAudioOptions options;
        options.outputPath = m_folder / "played.wav";
        options.pacing = FilePacing::Fast;
        return CreateFileBackend(options);
    }();
    WizardServices m_services{m_poster, *m_backend, m_folder.Path(), {}, {}, {}, {}};
};

} // namespace

TEST(WelcomeChoice, OnlyInstallExactlyAsTheFirstArgumentShowsTheWizard) {
    using Arguments = std::vector<std::string>;
    for (const Arguments& arguments : {Arguments{"tallowin", "/install"}, Arguments{"tallowin", "/install", "more"}})
        EXPECT_EQ(ChooseWelcome(arguments), Welcome::Wizard) << testing::PrintToString(arguments);
    for (const Arguments& arguments : {Arguments{"tallowin"}, Arguments{}, Arguments{"tallowin", "/INSTALL"},
                                       Arguments{"tallowin", "other", "/install"}, Arguments{"tallowin", "/install "},
                                       Arguments{"tallowin", "install"}})
        EXPECT_EQ(ChooseWelcome(arguments), Welcome::Splash) << testing::PrintToString(arguments);
}

TEST_F(WelcomeWizardTest, EachPagePlaysItsRecordingInPlaceOfTheOneBeforeAndAMissingOrDamagedOneLeavesItSilent) {
    WriteConstantWave("Intro2.wav", 24000, 1000);
    WriteConstantWave("Intro3.wav", 6000, -3000);
    m_folder.Write("Intro4.wav", "RIFF, but not really a wave file");
    WelcomeWizard wizard(nullptr, m_services);
    wizard.show();
    EXPECT_EQ(wizard.PlayingPage(), 0) << "no Intro1.wav: page 1 stays silent";
    wizard.next();
    EXPECT_EQ(wizard.PlayingPage(), 2);
    ASSERT_TRUE(wizard.Player() && wizard.Player()->IsBusy());
    EXPECT_EQ(wizard.Player()->SourceLength(), 24000);
    wizard.next();
    EXPECT_EQ(wizard.PlayingPage(), 3);
    EXPECT_EQ(wizard.Player()->SourceLength(), 6000);
    for (int round = 0; round < 500 && wizard.Player()->IsBusy(); ++round)
        m_poster.WaitAndPump(std::chrono::milliseconds(20));
    EXPECT_EQ(wizard.Player()->LastStopReason(), PlayStopReason::End);
    // The output holds Intro3 from its start and nothing of Intro2 (samples at 16 times the 16-bit scale).
    LSoundSourceHandle played = OpenWaveFile(m_folder / "played.wav");
    ASSERT_TRUE(played);
    std::vector<int32_t> samples(static_cast<size_t>(played->GetLength()) * played->Channels());
    played->Read(samples.data(), played->GetLength());
    ASSERT_GE(samples.size(), 6000u);
    EXPECT_TRUE(std::all_of(samples.begin(), samples.begin() + 6000, [](int32_t s) { return s < -2900 * 16; }));
    EXPECT_TRUE(std::none_of(samples.begin(), samples.end(), [](int32_t s) { return s > 0; }));

    // On to page 4, whose damaged recording plays nothing.
    wizard.next();
    EXPECT_EQ(wizard.currentId() * 10 + wizard.PlayingPage(), 40) << "page 4, silent";
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
        EXPECT_TRUE(splash->isVisible() && splash->windowFlags().testFlag(Qt::FramelessWindowHint));
        EXPECT_EQ(splash->size(), QSize(340 + 4, 198 + 88)); // the logo with room for the name below
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
