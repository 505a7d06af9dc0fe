#include "WelcomeWizard.h"

#include "WelcomeChoice.h"
#include "WizardTestSupport.h"
#include "WizardTexts.h"

#include <AudioBackend.h>
#include <DialogUnits.h>
#include <LSoundPlayer.h>
#include <Poster.h>
#include <QAbstractButton>
#include <QPlainTextEdit>
#include <QPushButton>
#include <TempFolder.h>
#include <WaveFile.h>
#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace {

Welcome Choose(std::vector<std::string> arguments) {
    return ChooseWelcome(arguments);
}

} // namespace

TEST(WelcomeChoice, InstallAsTheFirstArgumentShowsTheWizard) {
    EXPECT_EQ(Choose({"tallowin", "/install"}), Welcome::Wizard);
    EXPECT_EQ(Choose({"tallowin", "/install", "more"}), Welcome::Wizard);
}

TEST(WelcomeChoice, EverythingElseShowsTheSplash) {
    EXPECT_EQ(Choose({"tallowin"}), Welcome::Splash);
    EXPECT_EQ(Choose({}), Welcome::Splash);
    EXPECT_EQ(Choose({"tallowin", "/INSTALL"}), Welcome::Splash);
    EXPECT_EQ(Choose({"tallowin", "other", "/install"}), Welcome::Splash);
    EXPECT_EQ(Choose({"tallowin", "/install "}), Welcome::Splash);
    EXPECT_EQ(Choose({"tallowin", "install"}), Welcome::Splash);
}

class WelcomeWizardTest : public ::testing::Test {
protected:
    WelcomeWizardTest() {
        FileAudioOptions options;
        options.outputPath = m_folder / "played.wav";
        options.pacing = FilePacing::Fast;
        m_backend = CreateFileBackend(options);
    }

    WizardServices Services() {
        WizardServices services{m_poster, *m_backend, m_folder.Path(), {}, {}, {}, {}};
        services.hardwareSettings = [this](QWidget* parent) { m_opened.push_back({"hardware", parent}); };
        services.recipientSettings = [this](QWidget* parent) { m_opened.push_back({"recipients", parent}); };
        services.userSettings = [this](QWidget* parent) { m_opened.push_back({"user", parent}); };
        services.help = [this](const std::string& anchor) { m_opened.push_back({"help " + anchor, nullptr}); };
        return services;
    }

    // Waits until the player has played to its end (or was stopped), handing its notes over meanwhile.
    bool WaitUntilStopped(LSoundPlayer& player) {
        for (int round = 0; round < 500 && player.IsBusy(); ++round)
            m_poster.WaitAndPump(std::chrono::milliseconds(20));
        return !player.IsBusy();
    }

    struct Opened {
        std::string what;
        QWidget* parent;
    };

    TempFolder m_folder;
    PumpPoster m_poster;
    std::unique_ptr<AudioBackend> m_backend;
    std::vector<Opened> m_opened;
};

TEST_F(WelcomeWizardTest, HasFivePagesWithTheirTextsAndAnEmptyCaption) {
    WelcomeWizard wizard(nullptr, Services());
    EXPECT_TRUE(wizard.windowTitle().isEmpty());
    EXPECT_EQ(wizard.pageIds(), (QList<int>{1, 2, 3, 4, 5}));
    const char* firstLines[] = {"Thank you for installing Tallowin.", "Tallowin Hardware", "Typist Recipients",
                                "User Information", "Basic Operation (Summary)"};
    for (int page = 1; page <= 5; ++page) {
        SCOPED_TRACE(page);
        auto* text = qobject_cast<QPlainTextEdit*>(FindControl(wizard.page(page), WelcomeWizard::kText));
        ASSERT_NE(text, nullptr);
        EXPECT_TRUE(text->isReadOnly());
        EXPECT_EQ(text->toPlainText().section('\n', 0, 0).toStdString(), firstLines[page - 1]);
        EXPECT_GT(text->toPlainText().size(), 150); // a real text follows the first line
    }
    const QString summary =
        qobject_cast<QPlainTextEdit*>(FindControl(wizard.page(5), WelcomeWizard::kText))->toPlainText();
    for (const char* key : {"Ctrl+N", "Space", "Enter", "Home", "End", "Ctrl+S", "Ctrl+D"})
        EXPECT_TRUE(summary.contains(QString::fromLatin1(key))) << key;
}

TEST_F(WelcomeWizardTest, EachPageHasItsOwnButtons) {
    WelcomeWizard wizard(nullptr, Services());
    struct Expected {
        const char* button101;
        const char* button102;
    };
    const Expected expected[] = {{nullptr, nullptr},
                                 {"Hardware &Settings...", nullptr},
                                 {"Recipient &Settings...", nullptr},
                                 {nullptr, "&User Settings..."},
                                 {"View Manual...", nullptr}};
    for (int page = 1; page <= 5; ++page) {
        SCOPED_TRACE(page);
        for (const auto& [id, caption] :
             {std::pair{101, expected[page - 1].button101}, std::pair{102, expected[page - 1].button102}}) {
            auto* button = qobject_cast<QPushButton*>(FindControl(wizard.page(page), id));
            if (caption == nullptr) {
                EXPECT_EQ(button, nullptr) << id;
                continue;
            }
            ASSERT_NE(button, nullptr) << id;
            EXPECT_EQ(button->text().toStdString(), caption);
            EXPECT_TRUE(button->isEnabled());
        }
    }
}

TEST_F(WelcomeWizardTest, PageButtonsOpenTheirDialogsOverThePageAndTheManualAtItsContents) {
    WelcomeWizard wizard(nullptr, Services());
    const std::pair<int, int> buttons[] = {{2, 101}, {3, 101}, {4, 102}, {5, 101}};
    for (const auto& [page, id] : buttons)
        qobject_cast<QPushButton*>(FindControl(wizard.page(page), id))->click();
    ASSERT_EQ(m_opened.size(), 4u);
    EXPECT_EQ(m_opened[0].what, "hardware");
    EXPECT_EQ(m_opened[0].parent, wizard.page(2));
    EXPECT_EQ(m_opened[1].what, "recipients");
    EXPECT_EQ(m_opened[1].parent, wizard.page(3));
    EXPECT_EQ(m_opened[2].what, "user");
    EXPECT_EQ(m_opened[2].parent, wizard.page(4));
    EXPECT_EQ(m_opened[3].what, "help contents");
}

TEST_F(WelcomeWizardTest, ButtonsWithoutTheirDialogArePresentAndDisabled) {
    WizardServices services{m_poster, *m_backend, m_folder.Path(), {}, {}, {}, {}};
    services.hardwareSettings = [this](QWidget* parent) { m_opened.push_back({"hardware", parent}); };
    WelcomeWizard wizard(nullptr, services);
    EXPECT_TRUE(FindControl(wizard.page(2), 101)->isEnabled());
    EXPECT_FALSE(FindControl(wizard.page(3), 101)->isEnabled());
    EXPECT_FALSE(FindControl(wizard.page(4), 102)->isEnabled());
    EXPECT_FALSE(FindControl(wizard.page(5), 101)->isEnabled());
}

TEST_F(WelcomeWizardTest, BackNextAndFinishFollowThePage) {
    WelcomeWizard wizard(nullptr, Services());
    wizard.show();
    for (int page = 1; page <= 5; ++page) {
        SCOPED_TRACE(page);
        ASSERT_EQ(wizard.currentId(), page);
        QAbstractButton* back = wizard.button(QWizard::BackButton);
        QAbstractButton* next = wizard.button(QWizard::NextButton);
        QAbstractButton* finish = wizard.button(QWizard::FinishButton);
        EXPECT_EQ(back->isVisible() && back->isEnabled(), page > 1);
        EXPECT_EQ(next->isVisible() && next->isEnabled(), page < 5);
        EXPECT_EQ(finish->isVisible() && finish->isEnabled(), page == 5);
        if (page < 5)
            next->click();
    }
    wizard.button(QWizard::BackButton)->click();
    EXPECT_EQ(wizard.currentId(), 4);
    wizard.button(QWizard::NextButton)->click();
    wizard.button(QWizard::FinishButton)->click();
    EXPECT_EQ(wizard.result(), QDialog::Accepted);
    EXPECT_EQ(wizard.Player(), nullptr); // the player lives only while the wizard is open
}

TEST_F(WelcomeWizardTest, TurningFromPageTwoToThreeStopsIntro2AndStartsIntro3) {
    ASSERT_TRUE(WriteConstantWave(m_folder / "Intro2.wav", 24000, 1000));
    ASSERT_TRUE(WriteConstantWave(m_folder / "Intro3.wav", 6000, -3000));
    WelcomeWizard wizard(nullptr, Services());
    wizard.show();
    EXPECT_EQ(wizard.PlayingPage(), 0); // no Intro1.wav in the folder: page 1 stays silent
    wizard.next();
    ASSERT_EQ(wizard.currentId(), 2);
    EXPECT_EQ(wizard.PlayingPage(), 2);
    ASSERT_NE(wizard.Player(), nullptr);
    EXPECT_TRUE(wizard.Player()->IsBusy());
    EXPECT_EQ(wizard.Player()->SourceLength(), 24000);

    wizard.next();
    EXPECT_EQ(wizard.PlayingPage(), 3);
    EXPECT_EQ(wizard.Player()->SourceLength(), 6000);
    ASSERT_TRUE(WaitUntilStopped(*wizard.Player()));
    EXPECT_EQ(wizard.Player()->LastStopReason(), PlayStopReason::End);

    // The output holds Intro3 from its start and nothing of Intro2.
    const std::vector<int16_t> played = ReadSamples(m_folder / "played.wav");
    ASSERT_GE(played.size(), 6000u);
    EXPECT_TRUE(std::all_of(played.begin(), played.begin() + 6000, [](int16_t s) { return s < -2900; }));
    EXPECT_TRUE(std::none_of(played.begin(), played.end(), [](int16_t s) { return s > 0; }));
}

TEST_F(WelcomeWizardTest, TurningBackPlaysThePagesRecordingAgain) {
    for (int page = 1; page <= 2; ++page)
        ASSERT_TRUE(WriteConstantWave(m_folder / WelcomeWizard::RecordingName(page), 8000 * page, 500));
    WelcomeWizard wizard(nullptr, Services());
    wizard.show();
    EXPECT_EQ(wizard.PlayingPage(), 1);
    wizard.next();
    EXPECT_EQ(wizard.PlayingPage(), 2);
    wizard.back();
    EXPECT_EQ(wizard.PlayingPage(), 1);
    EXPECT_EQ(wizard.Player()->SourceLength(), 8000);
    wizard.reject();
    EXPECT_EQ(wizard.Player(), nullptr);
    EXPECT_EQ(wizard.PlayingPage(), 0);
}

TEST_F(WelcomeWizardTest, ADamagedRecordingLeavesItsPageSilentAndStopsThePreviousOne) {
    ASSERT_TRUE(WriteConstantWave(m_folder / "Intro1.wav", 80000, 700));
    m_folder.Write("Intro2.wav", "RIFF, but not really a wave file");
    WelcomeWizard wizard(nullptr, Services());
    wizard.show();
    EXPECT_EQ(wizard.PlayingPage(), 1);
    wizard.next();
    EXPECT_EQ(wizard.PlayingPage(), 0);
    EXPECT_FALSE(wizard.Player()->IsBusy());
    EXPECT_EQ(wizard.currentId(), 2);
}
