// ControlCommand: the transport and dictation commands a pedal or microphone button can be given, with the stable
// texts the settings file keeps them under, and the actions a device's buttons turn into.
#pragma once

#include <array>
#include <optional>
#include <string_view>

enum class ControlCommand {
    Record,
    Play,
    Stop,
    Rewind,
    FastForward,
    GoToStart,
    GoToEnd,
    InsertToggle,
    NewDictation,
    SendToDefault,
};

inline constexpr std::array<ControlCommand, 10> kControlCommands{
    ControlCommand::Record,       ControlCommand::Play,         ControlCommand::Stop,    ControlCommand::Rewind,
    ControlCommand::FastForward,  ControlCommand::GoToStart,    ControlCommand::GoToEnd, ControlCommand::InsertToggle,
    ControlCommand::NewDictation, ControlCommand::SendToDefault};

// "record", "play", "stop", "rewind", "fastforward", "gotostart", "gotoend", "inserttoggle", "newdictation",
// "sendtodefault": settings key names, never translated or changed.
std::string_view ControlCommandKey(ControlCommand command);
// The command whose key text this is (ASCII case ignored); nullopt for any other text.
std::optional<ControlCommand> ControlCommandFromKey(std::string_view key);

// How a device's buttons follow the hand.
enum class DeviceBehaviour {
    // A foot switch: play, record, rewind and fast forward run exactly while their button is down, however short.
    Pedal,
    // A handheld microphone whose record button records while held; play follows the session's hold rule.
    MicrophoneHeld,
    // A handheld microphone whose record and play buttons follow the session's hold rule (tap to lock, hold to run
    // while held).
    MicrophoneHoldRule,
};

// "pedal", "microphone-held", "microphone-rule".
std::string_view DeviceBehaviourKey(DeviceBehaviour behaviour);
// Unknown text: Pedal.
DeviceBehaviour DeviceBehaviourFromKey(std::string_view key);

// One thing a button asks of the session.
struct ControlAction {
    enum class Phase {
        Tap,     // once, at the press: Stop, go to start or end, insert toggle, new dictation, send
        Begin,   // runs from now ...
        End,     // ... until now (release, another pedal taking over, the device gone)
        Press,   // the session's hold rule decides: a press ...
        Release, // ... and its release
    };
    ControlCommand command;
    Phase phase;

    bool operator==(const ControlAction&) const = default;
};
