#include "controls/ButtonBehaviour.h"

#include <algorithm>

using Phase = ControlAction::Phase;

ControlAction::Phase ButtonBehaviour::StartPhase(ControlCommand command) const {
    switch (command) {
    case ControlCommand::Rewind:
    case ControlCommand::FastForward:
        return Phase::Begin;
    case ControlCommand::Play:
        return m_controls.behaviour == DeviceBehaviour::Pedal ? Phase::Begin : Phase::Press;
    case ControlCommand::Record:
        return m_controls.behaviour == DeviceBehaviour::MicrophoneHoldRule ? Phase::Press : Phase::Begin;
    default:
        return Phase::Tap;
    }
}

std::vector<ControlAction> ButtonBehaviour::Take(const ButtonEvent& event) {
    switch (event.state) {
    case ButtonEvent::State::Press:
        return Press(event.code);
    case ButtonEvent::State::Release:
        return Release(event.code);
    case ButtonEvent::State::Repeat:
        break;
    }
    return {};
}

std::vector<ControlAction> ButtonBehaviour::Press(int code) {
    const std::optional<ControlCommand> command = m_controls.CommandOf(code);
    const auto isCode = [code](const Down& down) { return down.code == code; };
    if (!command || std::any_of(m_running.begin(), m_running.end(), isCode) ||
        std::any_of(m_pressed.begin(), m_pressed.end(), isCode))
        return {};
    switch (const Phase phase = StartPhase(*command)) {
    case Phase::Begin: {
        std::vector<ControlAction> actions;
        if (!m_running.empty())
            actions.push_back({m_running.back().command, Phase::End});
        m_running.push_back({code, *command});
        actions.push_back({*command, Phase::Begin});
        return actions;
    }
    case Phase::Press:
        m_pressed.push_back({code, *command});
        return {{*command, phase}};
    default:
        return {{*command, Phase::Tap}};
    }
}

std::vector<ControlAction> ButtonBehaviour::Release(int code) {
    const auto isCode = [code](const Down& down) { return down.code == code; };
    if (const auto pressed = std::find_if(m_pressed.begin(), m_pressed.end(), isCode); pressed != m_pressed.end()) {
        const ControlCommand command = pressed->command;
        m_pressed.erase(pressed);
        return {{command, Phase::Release}};
    }
    const auto running = std::find_if(m_running.begin(), m_running.end(), isCode);
    if (running == m_running.end())
        return {};
    if (running + 1 != m_running.end()) { // not the one running: it only stops waiting its turn
        m_running.erase(running);
        return {};
    }
    std::vector<ControlAction> actions{{running->command, Phase::End}};
    m_running.pop_back();
    if (!m_running.empty())
        actions.push_back({m_running.back().command, Phase::Begin});
    return actions;
}

std::vector<ControlAction> ButtonBehaviour::Gone() {
    std::vector<ControlAction> actions;
    if (!m_running.empty())
        actions.push_back({m_running.back().command, Phase::End});
    for (const Down& down : m_pressed)
        actions.push_back({down.command, Phase::Release});
    m_running.clear();
    m_pressed.clear();
    return actions;
}
