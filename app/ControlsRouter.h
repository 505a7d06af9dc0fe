// ControlsRouter: the foot pedals and dictation microphones enabled in the settings driving the main window's
// session. It owns their DictationControls and turns each ControlAction into the session call a key or button would
// make, whichever window has the focus (input devices are read beneath the desktop's focus).
//
//   ControlsRouter router(session, poster, settings.settingsFile);   // devices grabbed and read from now on
//   router.Controls().Reload();                                        // after the settings dialog saved
#pragma once

#include "controls/ControlCommand.h"

#include <memory>
#include <string>

class DictationControls;
class DictationSession;
class Poster;

class ControlsRouter {
public:
    ControlsRouter(DictationSession& session, Poster& poster, const std::string& settingsFile,
                   const std::string& inputFolder = "/dev/input");
    // Releases the devices' grabs; the session's Close stops what they still drove.
    ~ControlsRouter();
    ControlsRouter(const ControlsRouter&) = delete;
    ControlsRouter& operator=(const ControlsRouter&) = delete;

    // Runs one action on the session: Begin/End run a command exactly while held (Play and Record end with Stop,
    // Rewind and FastForward with the scrub's release), Press/Release go through the session's hold rule, Tap runs
    // the command once.
    void Run(const ControlAction& action);

    DictationControls& Controls() { return *m_controls; }

private:
    DictationSession& m_session;
    std::unique_ptr<DictationControls> m_controls;
};
