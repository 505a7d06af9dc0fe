#include "app/KeyboardMap.h"

#include <utility>

namespace {

bool IsKeypad(Qt::KeyboardModifiers modifiers) {
    return modifiers.testFlag(Qt::KeypadModifier);
}

KeyCommand KeyDown(int key, Qt::KeyboardModifiers modifiers, bool notesFocused) {
    const bool keypad = IsKeypad(modifiers);
    const bool control = modifiers.testFlag(Qt::ControlModifier);
    if (control) {
        switch (key) {
        case Qt::Key_Delete:
            return KeyCommand::Delete;
        case Qt::Key_D:
            return KeyCommand::Dock;
        case Qt::Key_N:
            return KeyCommand::New;
        case Qt::Key_O:
            return KeyCommand::Recover;
        case Qt::Key_R:
            return KeyCommand::SendChosen;
        case Qt::Key_S:
            return KeyCommand::SendDefault;
        case Qt::Key_W:
            return KeyCommand::WorkProgress;
        default:
            break;
        }
    }
    // The text-cursor keys of the notes box stay with it (the plain ones; not their keypad twins).
    const bool textKey = notesFocused && !keypad;
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return notesFocused ? KeyCommand::None : KeyCommand::PlayKey;
    case Qt::Key_Space:
        return notesFocused ? KeyCommand::None : KeyCommand::RecordKey;
    case Qt::Key_0:
        return keypad && !notesFocused ? KeyCommand::RecordKey : KeyCommand::None;
    case Qt::Key_Escape:
    case Qt::Key_F12:
        return KeyCommand::Stop;
    case Qt::Key_5:
        return keypad ? KeyCommand::Stop : KeyCommand::None;
    case Qt::Key_Clear: // keypad 5 without Num Lock
        return KeyCommand::Stop;
    case Qt::Key_Home:
        return textKey ? KeyCommand::None : KeyCommand::GoToStart;
    case Qt::Key_7:
        return keypad ? KeyCommand::GoToStart : KeyCommand::None;
    case Qt::Key_End:
        return textKey ? KeyCommand::None : KeyCommand::GoToEnd;
    case Qt::Key_1:
        return keypad ? KeyCommand::GoToEnd : KeyCommand::None;
    case Qt::Key_Left:
        return textKey ? KeyCommand::None : KeyCommand::RewindDown;
    case Qt::Key_4:
        return keypad ? KeyCommand::RewindDown : KeyCommand::None;
    case Qt::Key_F7:
        return KeyCommand::RewindDown;
    case Qt::Key_Right:
        return textKey ? KeyCommand::None : KeyCommand::ForwardDown;
    case Qt::Key_6:
        return keypad ? KeyCommand::ForwardDown : KeyCommand::None;
    case Qt::Key_F8:
        return KeyCommand::ForwardDown;
    case Qt::Key_Insert:
        // Keypad 0 without Num Lock arrives as Insert: the record key, as Num Lock's state should not matter.
        return keypad ? (notesFocused ? KeyCommand::None : KeyCommand::RecordKey) : KeyCommand::ToggleInsert;
    case Qt::Key_F1:
        return KeyCommand::Help;
    case Qt::Key_F2:
        return KeyCommand::Rename;
    case Qt::Key_F5:
    case Qt::Key_F6:
        return KeyCommand::Record;
    case Qt::Key_F9:
        return KeyCommand::Play;
    default:
        return KeyCommand::None;
    }
}

KeyCommand KeyUp(int key, Qt::KeyboardModifiers modifiers, bool notesFocused) {
    // A release belongs to the command its press stood for. Rewind and fast forward are let go wherever the
    // focus went meanwhile (releasing a button that is not held does nothing).
    const bool scrubKey = key == Qt::Key_Left || key == Qt::Key_Right;
    switch (KeyDown(key, modifiers, notesFocused && !scrubKey)) {
    case KeyCommand::PlayKey:
        return KeyCommand::PlayKeyUp;
    case KeyCommand::RecordKey:
        return KeyCommand::RecordKeyUp;
    case KeyCommand::RewindDown:
        return KeyCommand::RewindUp;
    case KeyCommand::ForwardDown:
        return KeyCommand::ForwardUp;
    default:
        return KeyCommand::None;
    }
}

} // namespace

KeyCommand MapKey(int key, Qt::KeyboardModifiers modifiers, KeyEdge edge, bool notesFocused) {
    return edge == KeyEdge::Down ? KeyDown(key, modifiers, notesFocused) : KeyUp(key, modifiers, notesFocused);
}

std::optional<HeldKeyEdge> HeldEdgeOf(KeyCommand command) {
    static constexpr std::pair<KeyCommand, HeldKeyEdge> kEdges[] = {
        {KeyCommand::PlayKey, {HeldCommand::Play, true}},
        {KeyCommand::PlayKeyUp, {HeldCommand::Play, false}},
        {KeyCommand::RecordKey, {HeldCommand::Record, true}},
        {KeyCommand::RecordKeyUp, {HeldCommand::Record, false}},
        {KeyCommand::RewindDown, {HeldCommand::Rewind, true}},
        {KeyCommand::RewindUp, {HeldCommand::Rewind, false}},
        {KeyCommand::ForwardDown, {HeldCommand::Forward, true}},
        {KeyCommand::ForwardUp, {HeldCommand::Forward, false}},
    };
    for (const auto& [key, edge] : kEdges)
        if (key == command)
            return edge;
    return std::nullopt;
}
