// The keyboard map: every shortcut of the main window and what it leaves to the notes box.
#include "KeyboardMap.h"

#include <gtest/gtest.h>

namespace {

constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;
constexpr Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;
constexpr Qt::KeyboardModifiers kPad = Qt::KeypadModifier;

KeyCommand Down(int key, Qt::KeyboardModifiers modifiers = kNone, bool notes = false) {
    return MapKey(key, modifiers, KeyEdge::Down, notes);
}
KeyCommand Up(int key, Qt::KeyboardModifiers modifiers = kNone, bool notes = false) {
    return MapKey(key, modifiers, KeyEdge::Up, notes);
}

} // namespace

TEST(MainWindowKeyboardMap, EveryShortcutStandsForItsCommand) {
    const struct {
        int key;
        Qt::KeyboardModifiers modifiers;
        KeyCommand command;
    } table[] = {
        {Qt::Key_Return, kNone, KeyCommand::PlayKey},
        {Qt::Key_Enter, kPad, KeyCommand::PlayKey},
        {Qt::Key_Space, kNone, KeyCommand::RecordKey},
        {Qt::Key_0, kPad, KeyCommand::RecordKey},
        {Qt::Key_Insert, kPad, KeyCommand::RecordKey},
        {Qt::Key_Escape, kNone, KeyCommand::Stop},
        {Qt::Key_5, kPad, KeyCommand::Stop},
        {Qt::Key_Clear, kPad, KeyCommand::Stop},
        {Qt::Key_F12, kNone, KeyCommand::Stop},
        {Qt::Key_Home, kNone, KeyCommand::GoToStart},
        {Qt::Key_7, kPad, KeyCommand::GoToStart},
        {Qt::Key_End, kNone, KeyCommand::GoToEnd},
        {Qt::Key_1, kPad, KeyCommand::GoToEnd},
        {Qt::Key_Left, kNone, KeyCommand::RewindDown},
        {Qt::Key_4, kPad, KeyCommand::RewindDown},
        {Qt::Key_F7, kNone, KeyCommand::RewindDown},
        {Qt::Key_Right, kNone, KeyCommand::ForwardDown},
        {Qt::Key_6, kPad, KeyCommand::ForwardDown},
        {Qt::Key_F8, kNone, KeyCommand::ForwardDown},
        {Qt::Key_Insert, kNone, KeyCommand::ToggleInsert},
        {Qt::Key_Delete, kCtrl, KeyCommand::Delete},
        {Qt::Key_D, kCtrl, KeyCommand::Dock},
        {Qt::Key_N, kCtrl, KeyCommand::New},
        {Qt::Key_O, kCtrl, KeyCommand::Recover},
        {Qt::Key_R, kCtrl, KeyCommand::SendChosen},
        {Qt::Key_S, kCtrl, KeyCommand::SendDefault},
        {Qt::Key_W, kCtrl, KeyCommand::WorkProgress},
        {Qt::Key_F1, kNone, KeyCommand::Help},
        {Qt::Key_F2, kNone, KeyCommand::Rename},
        {Qt::Key_F5, kNone, KeyCommand::Record},
        {Qt::Key_F6, kNone, KeyCommand::Record},
        {Qt::Key_F9, kNone, KeyCommand::Play},
    };
    for (const auto& row : table)
        EXPECT_EQ(Down(row.key, row.modifiers), row.command) << "key " << std::hex << row.key;
}

TEST(MainWindowKeyboardMap, ReleasesEndTheHoldAndTheScrub) {
    EXPECT_EQ(Up(Qt::Key_Return), KeyCommand::PlayKeyUp);
    EXPECT_EQ(Up(Qt::Key_Space), KeyCommand::RecordKeyUp);
    EXPECT_EQ(Up(Qt::Key_0, kPad), KeyCommand::RecordKeyUp);
    EXPECT_EQ(Up(Qt::Key_Left), KeyCommand::RewindUp);
    EXPECT_EQ(Up(Qt::Key_F7), KeyCommand::RewindUp);
    EXPECT_EQ(Up(Qt::Key_6, kPad), KeyCommand::ForwardUp);
    EXPECT_EQ(Up(Qt::Key_F8), KeyCommand::ForwardUp);
    // Other releases are not ours.
    EXPECT_EQ(Up(Qt::Key_Escape), KeyCommand::None);
    EXPECT_EQ(Up(Qt::Key_S, kCtrl), KeyCommand::None);
}

TEST(MainWindowKeyboardMap, KeysThatAreNotShortcutsGoToTheControls) {
    EXPECT_EQ(Down(Qt::Key_A), KeyCommand::None);
    EXPECT_EQ(Down(Qt::Key_S), KeyCommand::None); // S without Ctrl
    EXPECT_EQ(Down(Qt::Key_0), KeyCommand::None); // the 0 above the letters
    EXPECT_EQ(Down(Qt::Key_Delete), KeyCommand::None);
    EXPECT_EQ(Down(Qt::Key_Up), KeyCommand::None); // the list's own keys
    EXPECT_EQ(Down(Qt::Key_Down), KeyCommand::None);
}

TEST(MainWindowKeyboardMap, TheNotesBoxKeepsItsTypingAndCursorKeys) {
    EXPECT_EQ(Down(Qt::Key_Return, kNone, true), KeyCommand::None);
    EXPECT_EQ(Down(Qt::Key_Space, kNone, true), KeyCommand::None);
    EXPECT_EQ(Down(Qt::Key_0, kPad, true), KeyCommand::None);
    EXPECT_EQ(Up(Qt::Key_Return, kNone, true), KeyCommand::None);
    EXPECT_EQ(Down(Qt::Key_Left, kNone, true), KeyCommand::None);
    EXPECT_EQ(Down(Qt::Key_Home, kNone, true), KeyCommand::None);
    EXPECT_EQ(Down(Qt::Key_End, kNone, true), KeyCommand::None);
    // The transport's other keys still work from the notes box.
    EXPECT_EQ(Down(Qt::Key_Escape, kNone, true), KeyCommand::Stop);
    EXPECT_EQ(Down(Qt::Key_F7, kNone, true), KeyCommand::RewindDown);
    EXPECT_EQ(Down(Qt::Key_4, kPad, true), KeyCommand::RewindDown);
    EXPECT_EQ(Down(Qt::Key_S, kCtrl, true), KeyCommand::SendDefault);
    // A scrub started elsewhere is let go even when the focus moved to the notes.
    EXPECT_EQ(Up(Qt::Key_Left, kNone, true), KeyCommand::RewindUp);
}
