// "Learn" in Hardware Settings (offscreen): presses fed through ButtonLearning, Esc skipping a command and leaving the
// dialog open, and the device's keys written at OK only.
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
        const std::string file = folder.Path() + "settings.ini";
        FakeLearning learning;
        const std::vector<InputDeviceInfo> devices{{"/dev/input/event9", "Pedal", 0x05f3, 0xff, "usb-pedal", true, ""}};
        const std::unique_ptr<AudioBackend> backend = CreateFileBackend({});
        SettingsDialog dialog(nullptr, *backend, file, {},
                              [&](QWidget* owner) { return new ControlsSection(owner, file, devices, &learning); });
        const auto control = [&](int id) { return FindControl(&dialog, id); };
        static_cast<QListWidget*>(control(ControlsSection::kDevices))->item(0)->setCheckState(Qt::Checked);
        emit static_cast<QComboBox*>(control(ControlsSection::kBehaviour))->activated(2);
        static_cast<QPushButton*>(control(ControlsSection::kLearn))->click();
        ASSERT_EQ(learning.learning, "usb-pedal");
        learning.press(256);                                               // record
        QTest::keyClick(control(ControlsSection::kLearn), Qt::Key_Escape); // play: none
        EXPECT_EQ(control(ControlsSection::kNote)->property("text").toString().toStdString(),
                  ControlsSection::LearnPrompt(ControlCommand::Stop));
        for (int code = 257; code < 265; ++code) // stop .. send
            learning.press(code);
        EXPECT_EQ(learning.learning, "") << "learning ends after the last command";
        ok ? static_cast<QPushButton*>(control(SettingsDialog::kOk))->click() : dialog.reject();
        const DeviceControls learnt{
            true, DeviceBehaviour::MicrophoneHoldRule, {256, 0, 257, 258, 259, 260, 261, 262, 263, 264}};
        EXPECT_EQ(LoadDeviceControls(file, "usb-pedal"), ok ? learnt : DeviceControls{});
    }
}
