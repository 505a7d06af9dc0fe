// The keyboard map: which command each key press or release stands for, and what it leaves to the notes box.
#include "app/KeyboardMap.h"

#include <gtest/gtest.h>
#include <vector>

TEST(MainWindowKeyboardMap, EveryKeyStandsForItsCommandAndTheNotesBoxKeepsItsTypingAndCursorKeys) {
    using enum KeyCommand;
    constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;
    constexpr Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;
    constexpr Qt::KeyboardModifiers kPad = Qt::KeypadModifier;
    struct Key {
        int key;
        Qt::KeyboardModifiers modifiers;
        KeyCommand command;
    };
    // Presses with the focus on any control but the notes box; keys that are not shortcuts stay with the control.
    const std::vector<Key> running = {
        Key{Qt::Key_Return, kNone, PlayKey}, Key{Qt::Key_Enter, kPad, PlayKey},    Key{Qt::Key_Space, kNone, RecordKey},
        Key{Qt::Key_0, kPad, RecordKey},     Key{Qt::Key_Insert, kPad, RecordKey}, Key{Qt::Key_Escape, kNone, Stop},
        Key{Qt::Key_5, kPad, Stop},          Key{Qt::Key_Clear, kPad, Stop},       Key{Qt::Key_F12, kNone, Stop}};
    const std::vector<Key> moving = {Key{Qt::Key_Home, kNone, GoToStart},  Key{Qt::Key_7, kPad, GoToStart},
                                     Key{Qt::Key_End, kNone, GoToEnd},     Key{Qt::Key_1, kPad, GoToEnd},
                                     Key{Qt::Key_Left, kNone, RewindDown}, Key{Qt::Key_4, kPad, RewindDown},
                                     Key{Qt::Key_F7, kNone, RewindDown},   Key{Qt::Key_Right, kNone, ForwardDown},
                                     Key{Qt::Key_6, kPad, ForwardDown},    Key{Qt::Key_F8, kNone, ForwardDown}};
    const std::vector<Key> commands = {Key{Qt::Key_Insert, kNone, ToggleInsert},
                                       Key{Qt::Key_Delete, kCtrl, Delete},
                                       Key{Qt::Key_D, kCtrl, Dock},
                                       Key{Qt::Key_N, kCtrl, New},
                                       Key{Qt::Key_O, kCtrl, Recover},
                                       Key{Qt::Key_R, kCtrl, SendChosen},
                                       Key{Qt::Key_S, kCtrl, SendDefault},
                                       Key{Qt::Key_W, kCtrl, WorkProgress},
                                       Key{Qt::Key_F1, kNone, Help},
                                       Key{Qt::Key_F2, kNone, Rename},
                                       Key{Qt::Key_F5, kNone, Record},
                                       Key{Qt::Key_F6, kNone, Record},
                                       Key{Qt::Key_F9, kNone, Play}};
    const std::vector<Key> others = {Key{Qt::Key_A, kNone, None},      Key{Qt::Key_S, kNone, None},
                                     Key{Qt::Key_0, kNone, None},      Key{Qt::Key_5, kNone, None},
                                     Key{Qt::Key_Delete, kNone, None}, Key{Qt::Key_Up, kNone, None}};
    // In the notes box Enter, Space, keypad 0 and the plain cursor keys type; the keypad twins, the function keys
    // and the Ctrl keys still work.
    const std::vector<Key> downInNotes = {
        Key{Qt::Key_Return, kNone, None},  Key{Qt::Key_Space, kNone, None},    Key{Qt::Key_0, kPad, None},
        Key{Qt::Key_Insert, kPad, None},   Key{Qt::Key_Left, kNone, None},     Key{Qt::Key_Right, kNone, None},
        Key{Qt::Key_Home, kNone, None},    Key{Qt::Key_End, kNone, None},      Key{Qt::Key_4, kPad, RewindDown},
        Key{Qt::Key_7, kPad, GoToStart},   Key{Qt::Key_F7, kNone, RewindDown}, Key{Qt::Key_Escape, kNone, Stop},
        Key{Qt::Key_S, kCtrl, SendDefault}};
    // Releases end the hold and the scrub; a scrub is let go wherever the focus went meanwhile.
    const std::vector<Key> up = {Key{Qt::Key_Return, kNone, PlayKeyUp},
                                 Key{Qt::Key_Space, kNone, RecordKeyUp},
                                 Key{Qt::Key_0, kPad, RecordKeyUp},
                                 Key{Qt::Key_Left, kNone, RewindUp},
                                 Key{Qt::Key_F7, kNone, RewindUp},
                                 Key{Qt::Key_6, kPad, ForwardUp},
                                 Key{Qt::Key_F8, kNone, ForwardUp},
                                 Key{Qt::Key_Escape, kNone, None},
                                 Key{Qt::Key_S, kCtrl, None}};
    const std::vector<Key> upInNotes = {Key{Qt::Key_Return, kNone, None}, Key{Qt::Key_Left, kNone, RewindUp},
                                        Key{Qt::Key_Right, kNone, ForwardUp}};
    const struct {
        const std::vector<Key>& keys;
        KeyEdge edge;
        bool notes;
    } groups[] = {{running, KeyEdge::Down, false}, {moving, KeyEdge::Down, false},     {commands, KeyEdge::Down, false},
                  {others, KeyEdge::Down, false},  {downInNotes, KeyEdge::Down, true}, {up, KeyEdge::Up, false},
                  {upInNotes, KeyEdge::Up, true}};
    for (const auto& group : groups)
        for (const Key& row : group.keys)
            EXPECT_EQ(MapKey(row.key, row.modifiers, group.edge, group.notes), row.command)
                << "key " << std::hex << row.key << (group.edge == KeyEdge::Down ? " down" : " up")
                << (group.notes ? " in the notes" : "");
}
