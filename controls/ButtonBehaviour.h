// ButtonBehaviour: turns one device's button events into the ControlActions the session understands, by the device's
// learnt buttons and its behaviour. Pure logic on the events' own times; no device, no thread.
//
// Rules: auto-repeat is ignored, as are a press of a button already down and a release of one that is not. Play,
// Record, Rewind and FastForward buttons that run while held (Begin/End) take turns: the last one pressed runs; when
// it is released, the one still held that was pressed before it runs again (hold play, tap rewind to go back, and
// playing goes on). A button following the hold rule sends Press/Release, the others Tap at the press. When the
// device is gone (or disabled) Gone() ends whatever its buttons still drive.
//
//   for (const ControlAction& action : behaviour.Take(event)) router.Run(action);
#pragma once

#include "controls/ControlCommand.h"
#include "controls/ControlSettings.h"
#include "controls/EventReader.h"

#include <vector>

class ButtonBehaviour {
public:
    explicit ButtonBehaviour(const DeviceControls& controls) : m_controls(controls) {}

    std::vector<ControlAction> Take(const ButtonEvent& event);
    // The device went away or stopped being watched: Ends and Releases for everything still down, as its releases
    // would have.
    std::vector<ControlAction> Gone();

private:
    struct Down {
        int code;
        ControlCommand command;
    };
    std::vector<ControlAction> Press(int code);
    std::vector<ControlAction> Release(int code);
    // How the command's button acts under this device's behaviour.
    ControlAction::Phase StartPhase(ControlCommand command) const;

    DeviceControls m_controls;
    std::vector<Down> m_running; // Begin/End buttons down, oldest first; the last one runs
    std::vector<Down> m_pressed; // hold-rule buttons down
};
