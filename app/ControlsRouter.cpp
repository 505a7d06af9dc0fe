#include "app/ControlsRouter.h"

#include "app/DictationSession.h"
#include "app/DictationTransport.h"
#include "controls/DictationControls.h"

namespace {

HeldCommand HeldOf(ControlCommand command) {
    return command == ControlCommand::Record ? HeldCommand::Record : HeldCommand::Play;
}

} // namespace

ControlsRouter::ControlsRouter(DictationSession& session, Poster& poster, const std::string& settingsFile,
                               const std::string& inputFolder)
    : m_session(session),
      m_controls(std::make_unique<DictationControls>(
          poster, settingsFile, [this](const ControlAction& action) { Run(action); }, inputFolder)) {}

ControlsRouter::~ControlsRouter() = default;

void ControlsRouter::Run(const ControlAction& action) {
    using Phase = ControlAction::Phase;
    switch (action.phase) {
    case Phase::Press:
        m_session.PressHeld(HeldOf(action.command));
        return;
    case Phase::Release:
        m_session.ReleaseHeld(HeldOf(action.command));
        return;
    case Phase::Begin:
    case Phase::End:
        break;
    case Phase::Tap:
        switch (action.command) {
        case ControlCommand::GoToStart:
            m_session.Transport().GoToStart();
            return;
        case ControlCommand::GoToEnd:
            m_session.Transport().GoToEnd();
            return;
        case ControlCommand::InsertToggle:
            m_session.ToggleInsertMode();
            return;
        case ControlCommand::NewDictation:
            m_session.New();
            return;
        case ControlCommand::SendToDefault:
            m_session.SendToDefault();
            return;
        default: // Stop, the one other command that taps
            m_session.Stop();
            return;
        }
    }
    const bool begin = action.phase == Phase::Begin;
    switch (action.command) {
    case ControlCommand::Rewind:
        begin ? m_session.RewindPress() : m_session.ScrubRelease();
        return;
    case ControlCommand::FastForward:
        begin ? m_session.ForwardPress() : m_session.ScrubRelease();
        return;
    case ControlCommand::Record:
        begin ? m_session.Record() : m_session.Stop();
        return;
    default:
        begin ? m_session.Play() : m_session.Stop();
        return;
    }
}
