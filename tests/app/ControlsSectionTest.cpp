// "Learn" in Hardware Settings (offscreen): button presses fed through ButtonLearning, Esc skipping a command and
// leaving the dialog open, and the device's keys written at OK only.
#include "app/ControlsSection.h"

#include "TempFolder.h"
#include "controls/ButtonLearning.h"
#include "platform/AudioBackend.h"
#include "ui/DialogUnits.h"

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class FakeLearning final : public ButtonLearning {
public:
    bool StartLearning(const std::string& identity, std::function<void(int)> pressed) override {
        learning = identity;
        press = std::move(pressed);
        return true;
    }
    void StopLearning() override { learning.clear(); }
    std::string learning;
    std::function<void(int)> press;
};

} // namespace

TEST(ControlsSection, LearnTakesEachCommandsButtonInTurnEscSkipsAndOnlyOkWritesTheDevicesKeys) {
    for (const bool ok : {true, false}) {
        SCOPED_TRACE(ok ? "OK" : "Cancel");
        TempFolder folder;
        const std::string settingsFile = folder.Path() + "settings.ini";
        const std::unique_ptr<AudioBackend> backend = CreateFileBackend({});
        FakeLearning learning;
        const std::vector<InputDeviceInfo> devices{{"/dev/input/event3", "Keyboard", 1, 1, "kbd", true, ""},
                                                   {"/dev/input/event9", "Pedal", 0x05f3, 0xff, "usb-pedal", true, ""}};
        SettingsDialog dialog(nullptr, *backend, settingsFile, {}, [&](QWidget* owner) {
            return new ControlsSection(owner, settingsFile, devices, &learning);
        });
        dialog.show();
        auto* list = static_cast<QListWidget*>(FindControl(&dialog, ControlsSection::kDevices));
        list->setCurrentRow(1);
        list->item(1)->setCheckState(Qt::Checked);
        auto* behaviour = static_cast<QComboBox*>(FindControl(&dialog, ControlsSection::kBehaviour));
        behaviour->setCurrentIndex(2);
        emit behaviour->activated(2);
        auto* learn = static_cast<QPushButton*>(FindControl(&dialog, ControlsSection::kLearn));
        learn->click();
        ASSERT_EQ(learning.learning, "usb-pedal");
        const auto note = [&] { return FindControl(&dialog, ControlsSection::kNote)->property("text").toString(); };
        EXPECT_EQ(note().toStdString(), ControlsSection::LearnPrompt(ControlCommand::Record));
        learning.press(256);                    // record
        QTest::keyClick(learn, Qt::Key_Escape); // play: none
        EXPECT_EQ(note().toStdString(), ControlsSection::LearnPrompt(ControlCommand::Stop));
        EXPECT_TRUE(dialog.isVisible()) << "Esc while learning skips a command, not the dialog";
        for (int code = 257; code < 265; ++code) // stop .. send
            learning.press(code);
        EXPECT_EQ(learning.learning, "") << "learning ends after the last command";
        if (ok)
            static_cast<QPushButton*>(FindControl(&dialog, SettingsDialog::kOk))->click();
        else
            dialog.reject();

        DeviceControls expected;
        if (ok) {
            expected = {true, DeviceBehaviour::MicrophoneHoldRule, {256, 0, 257, 258, 259, 260, 261, 262, 263, 264}};
        }
        EXPECT_EQ(LoadDeviceControls(settingsFile, "usb-pedal"), expected);
        EXPECT_EQ(LoadDeviceControls(settingsFile, "kbd"), DeviceControls{}) << "an untouched device keeps no keys";
    }
}
