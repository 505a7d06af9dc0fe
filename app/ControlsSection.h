// ControlsSection: "Dictation controls" in Hardware Settings: the input devices with buttons (name and USB id), an
// enable box for each, how the selected device's buttons act, and "Learn", where the user presses the device's
// button for each command in turn (Esc leaves a command without one). The choices are kept here and written to the
// device's settings only at the dialog's OK.
//
//   SettingsDialog dialog(parent, backend, settingsFile, help, [&](QWidget* dialog) {
//       return new ControlsSection(dialog, settingsFile, ListButtonDevices(), &router.Controls());
//   });
#pragma once

#include "audio/ui/SettingsDialog.h"
#include "controls/ControlSettings.h"
#include "controls/InputDevices.h"

#include <string>
#include <vector>

class ButtonLearning;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

class ControlsSection final : public SettingsDialogSection {
public:
    enum ControlId {
        kDevices = 1101,
        kBehaviour = 1102,
        kLearn = 1103,
        kNote = 1104,
    };

    // `learning` null: Learn is unavailable.
    ControlsSection(QWidget* dialog, std::string settingsFile, std::vector<InputDeviceInfo> devices,
                    ButtonLearning* learning);
    ~ControlsSection() override;

    int HeightUnits() const override { return 116; }
    // Saves each device whose choice changed.
    bool Write() override;

    // The prompt while learning the button of `command`.
    static std::string LearnPrompt(ControlCommand command);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Device {
        InputDeviceInfo info;
        DeviceControls saved;
        DeviceControls chosen;
    };

    void DeviceChosen();
    void StartLearning();
    void Learnt(int code);
    void NextCommand();
    void StopLearning();
    void ShowNote();

    const std::string m_settingsFile;
    std::vector<Device> m_devices;
    ButtonLearning* m_learning;
    QListWidget* m_list;
    QComboBox* m_behaviour;
    QPushButton* m_learn;
    QLabel* m_note;
    int m_learningDevice = -1; // the device being learnt, -1 when none
    size_t m_step = 0;         // the command waiting for its button
};
