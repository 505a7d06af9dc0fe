#include "controls/ControlCommand.h"

#include <algorithm>

namespace {

constexpr std::array<std::string_view, kControlCommands.size()> kCommandKeys{
    "record",    "play",    "stop",         "rewind",       "fastforward",
    "gotostart", "gotoend", "inserttoggle", "newdictation", "sendtodefault"};

constexpr std::array<std::string_view, 3> kBehaviourKeys{"pedal", "microphone-held", "microphone-rule"};

bool SameText(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

} // namespace

std::string_view ControlCommandKey(ControlCommand command) {
    return kCommandKeys[static_cast<size_t>(command)];
}

std::optional<ControlCommand> ControlCommandFromKey(std::string_view key) {
    for (ControlCommand command : kControlCommands)
        if (SameText(key, ControlCommandKey(command)))
            return command;
    return std::nullopt;
}

std::string_view DeviceBehaviourKey(DeviceBehaviour behaviour) {
    return kBehaviourKeys[static_cast<size_t>(behaviour)];
}

DeviceBehaviour DeviceBehaviourFromKey(std::string_view key) {
    for (size_t i = 0; i < kBehaviourKeys.size(); ++i)
        if (SameText(key, kBehaviourKeys[i]))
            return static_cast<DeviceBehaviour>(i);
    return DeviceBehaviour::Pedal;
}
