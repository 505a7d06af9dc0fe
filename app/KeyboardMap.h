// KeyboardMap: the main window's keyboard shortcuts, which it handles before any control sees the key: which
// command a key press or release stands for. Enter and Space follow the hold rule in the main window (a tap starts
// and leaves running, a hold longer than 700 ms runs only while held, a second tap stops).
//
//   const KeyCommand command = MapKey(event->key(), event->modifiers(), KeyEdge::Down, notesHaveFocus);
//   if (const auto held = HeldEdgeOf(command)) ... else if (!event->isAutoRepeat()) Run(command);
#pragma once

#include "app/HeldKeys.h"

#include <Qt>
#include <optional>

enum class KeyEdge { Down, Up };

enum class KeyCommand {
    None,         // not ours: the key goes on to the control that has the focus
    PlayKey,      // Enter down: play unless playing (the hold rule starts here)
    PlayKeyUp,    // Enter up: stop when held long enough
    RecordKey,    // Space or keypad 0 down: record unless recording
    RecordKeyUp,  // Space or keypad 0 up
    Play,         // F9
    Record,       // F5, F6: also restarts a running recording at the position
    Stop,         // Escape, keypad 5, F12
    GoToStart,    // Home, keypad 7
    GoToEnd,      // End, keypad 1
    RewindDown,   // Left arrow, keypad 4, F7
    RewindUp,     //
    ForwardDown,  // Right arrow, keypad 6, F8
    ForwardUp,    //
    ToggleInsert, // Insert
    Delete,       // Ctrl+Delete
    Dock,         // Ctrl+D
    New,          // Ctrl+N
    Recover,      // Ctrl+O
    SendChosen,   // Ctrl+R
    SendDefault,  // Ctrl+S
    WorkProgress, // Ctrl+W
    Help,         // F1
    Rename,       // F2
};

// The command of a key event. `notesFocused`: the notes box has the focus; Enter and Space then type into it, and
// so do the plain text-cursor keys (Left, Right, Home, End; their keypad twins and F7/F8 still drive the transport).
KeyCommand MapKey(int key, Qt::KeyboardModifiers modifiers, KeyEdge edge, bool notesFocused);

// A key command that presses or releases a command run while held.
struct HeldKeyEdge {
    HeldCommand command;
    bool down;
};
// The held command's edge of `command`; nothing for the other commands.
std::optional<HeldKeyEdge> HeldEdgeOf(KeyCommand command);
