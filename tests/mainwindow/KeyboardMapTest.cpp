// The keyboard map: which command each key press or release stands for, and what it leaves to the notes box.
#include "app/KeyboardMap.h"

#include <gtest/gtest.h>
#include <tuple>
#include <vector>

TEST(MainWindowKeyboardMap, EveryKeyStandsForItsCommandAndTheNotesBoxKeepsItsTypingAndCursorKeys) {
    using enum KeyCommand;
    constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;
    constexpr Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;
    constexpr Qt::KeyboardModifiers kPad = Qt::KeypadModifier;
    using Key = std::tuple<int, Qt::KeyboardModifiers, KeyCommand>;
    // Presses with the focus on any control but the notes box; keys that are not shortcuts stay with the control.
    const std::vector<Key> running = {
        {Qt::Key_Return, kNone, PlayKey}, {Qt::Key_Enter, kPad, PlayKey},    {Qt::Key_Space, kNone, RecordKey},
        {Qt::Key_0, kPad, RecordKey},     {Qt::Key_Insert, kPad, RecordKey}, {Qt::Key_Escape, kNone, Stop},
        {Qt::Key_5, kPad, Stop},          {Qt::Key_Clear, kPad, Stop},       {Qt::Key_F12, kNone, Stop}};
    const std::vector<Key> moving = {{Qt::Key_Home, kNone, GoToStart},  {Qt::Key_7, kPad, GoToStart},
                                     {Qt::Key_End, kNone, GoToEnd},     {Qt::Key_1, kPad, GoToEnd},
                                     {Qt::Key_Left, kNone, RewindDown}, {Qt::Key_4, kPad, RewindDown},
                                     {Qt::Key_F7, kNone, RewindDown},   {Qt::Key_Right, kNone, ForwardDown},
                                     {Qt::Key_6, kPad, ForwardDown},    {Qt::Key_F8, kNone, ForwardDown}};
    const std::vector<Key> commands = {
        {Qt::Key_Delete, kCtrl, Delete},      {Qt::Key_D, kCtrl, Dock},       {Qt::Key_N, kCtrl, New},
        {Qt::Key_O, kCtrl, Recover},          {Qt::Key_R, kCtrl, SendChosen}, {Qt::Key_S, kCtrl, SendDefault},
        {Qt::Key_W, kCtrl, WorkProgress},     {Qt::Key_F1, kNone, Help},      {Qt::Key_F2, kNone, Rename},
        {Qt::Key_F5, kNone, Record},          {Qt::Key_F6, kNone, Record},    {Qt::Key_F9, kNone, Play},
        {Qt::Key_Insert, kNone, ToggleInsert}};
    const std::vector<Key> others = {{Qt::Key_A, kNone, None},      {Qt::Key_S, kNone, None},
                                     {Qt::Key_0, kNone, None},      {Qt::Key_5, kNone, None},
                                     {Qt::Key_Delete, kNone, None}, {Qt::Key_Up, kNone, None}};
    // In the notes box Enter, Space, keypad 0 and the plain cursor keys type; the keypad twins, the function keys
    // and the Ctrl keys still work.
    const std::vector<Key> downInNotes = {
        {Qt::Key_Return, kNone, None},  {Qt::Key_Space, kNone, None},    {Qt::Key_0, kPad, None},
        {Qt::Key_Insert, kPad, None},   {Qt::Key_Left, kNone, None},     {Qt::Key_Right, kNone, None},
        {Qt::Key_Home, kNone, None},    {Qt::Key_End, kNone, None},      {Qt::Key_4, kPad, RewindDown},
        {Qt::Key_7, kPad, GoToStart},   {Qt::Key_F7, kNone, RewindDown}, {Qt::Key_Escape, kNone, Stop},
        {Qt::Key_S, kCtrl, SendDefault}};
    // Releases end the hold and the scrub; a scrub is let go wherever the focus went meanwhile.
    const std::vector<Key> up = {
        {Qt::Key_Return, kNone, PlayKeyUp}, {Qt::Key_Space, kNone, RecordKeyUp}, {Qt::Key_0, kPad, RecordKeyUp},
        {Qt::Key_Left, kNone, RewindUp},    {Qt::Key_F7, kNone, RewindUp},       {Qt::Key_6, kPad, ForwardUp},
        {Qt::Key_F8, kNone, ForwardUp},     {Qt::Key_Escape, kNone, None},       {Qt::Key_S, kCtrl, None}};
    const std::vector<Key> upInNotes = {
        {Qt::Key_Return, kNone, None}, {Qt::Key_Left, kNone, RewindUp}, {Qt::Key_Right, kNone, ForwardUp}};
    const struct {
        const std::vector<Key>& keys;
        KeyEdge edge;
        bool notes;
    } groups[] = {{running, KeyEdge::Down, false}, {moving, KeyEdge::Down, false},     {commands, KeyEdge::Down, false},
                  {others, KeyEdge::Down, false},  {downInNotes, KeyEdge::Down, true}, {up, KeyEdge::Up, false},
                  {upInNotes, KeyEdge::Up, true}};
    for (const auto& group : groups)
        for (const auto& [key, modifiers, command] : group.keys)
            EXPECT_EQ(MapKey(key, modifiers, group.edge, group.notes), command)
                << "key " << std::hex << key << (group.edge == KeyEdge::Down ? " down" : " up")
                << (group.notes ? " in the notes" : "");
}
