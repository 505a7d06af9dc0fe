// ButtonLearning: the raw button presses of one device, for the step in the settings where the user presses the
// button for each command in turn. DictationControls gives them from the real device; a test gives its own.
#pragma once

#include <functional>
#include <string>

class ButtonLearning {
public:
    virtual ~ButtonLearning() = default;
    // From now on each press (not repeat, not release) of a button of the device with this identity calls `pressed`
    // with its evdev key code, on the owner's thread, instead of acting on the session. False when the device is not
    // present or cannot be opened. A second call replaces the first.
    virtual bool StartLearning(const std::string& identity, std::function<void(int code)> pressed) = 0;
    // Presses act on the session again (if the device is enabled); a device opened only for learning is closed.
    virtual void StopLearning() = 0;
};
