// DictationControls: every enabled input device the settings know, watched and grabbed while it is present and
// enabled, its buttons turned into ControlActions for the owner (ButtonBehaviour per device). Devices plugged in
// later are found within 2 s (inotify on the input folder and its by-id links, no udev needed); one pulled out ends
// what it drove. Also the raw button presses of one device for the settings' "Learn" step (ButtonLearning).
// Owner's thread only; the workers reach it through the poster.
//
//   DictationControls controls(poster, settingsFile, [&](const ControlAction& a) { router.Run(a); });
//   controls.Reload(); // after the settings changed
#pragma once

#include "controls/ButtonLearning.h"
#include "controls/ControlCommand.h"
#include "controls/EventReader.h"
#include "controls/InputDevices.h"
#include "controls/UniqueFd.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class Poster;
class ButtonBehaviour;
class ButtonWatch;

class DictationControls final : public ButtonLearning {
public:
    using ActionSink = std::function<void(const ControlAction&)>;

    // Reads the settings and opens the enabled devices present; watches `inputFolder` for devices coming and going.
    DictationControls(Poster& poster, std::string settingsFile, ActionSink sink,
                      std::string inputFolder = "/dev/input");
    // Releases the devices' grabs and stops the workers; the owner ends what they drove itself (the sink is not
    // called).
    ~DictationControls() override;
    DictationControls(const DictationControls&) = delete;
    DictationControls& operator=(const DictationControls&) = delete;

    // Reads the settings again: opens devices newly enabled, closes those disabled (ending what they drove), and
    // takes changed buttons and behaviours.
    void Reload();

    // The enabled devices present that are being watched, and those enabled that could not be opened (openError).
    std::vector<InputDeviceInfo> Watched() const;
    std::vector<InputDeviceInfo> Failed() const;

    // ButtonLearning: while learning, the device's presses go to `pressed` instead of the session; a device not
    // enabled is opened (and grabbed) for the time.
    bool StartLearning(const std::string& identity, std::function<void(int code)> pressed) override;
    void StopLearning() override;

private:
    struct Entry; // a watched device: its watch, behaviour and settings
    void Rescan();
    void OnButton(const std::string& identity, const ButtonEvent& event);
    void OnGone(const std::string& identity);
    void Close(const std::string& identity);
    void RunHotPlug();

    Poster& m_poster;
    std::string m_settingsFile;
    ActionSink m_sink;
    std::string m_inputFolder;
    std::map<std::string, std::unique_ptr<Entry>> m_watched; // by identity
    std::vector<InputDeviceInfo> m_failed;
    std::string m_learning; // identity, "" when not learning
    std::function<void(int)> m_learnt;
    std::shared_ptr<DictationControls*> m_alive; // posted work holds it weakly
    UniqueFd m_inotify;
    UniqueFd m_wake;
    std::thread m_hotPlug;
};
