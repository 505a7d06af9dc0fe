#include "DialogUnits.h"
#include "LTextEditDlg.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QLineEdit* EditOf(const LTextEditDlg& dialog) { return qobject_cast<QLineEdit*>(FindControl(&dialog, 100)); }

} // namespace

TEST(LTextEditDlg, OpensWithTheCaptionAndAllOfTheTextSelected) {
    const LTextEditDlg dialog(nullptr, "Dictation 3", "Enter Dictation Name");
    EXPECT_EQ(dialog.windowTitle(), "Enter Dictation Name");
    QLineEdit* edit = EditOf(dialog);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->selectedText(), "Dictation 3");
    EXPECT_NE(FindControl(&dialog, 1), nullptr);
    EXPECT_NE(FindControl(&dialog, 2), nullptr);
}

TEST(LTextEditDlg, OkWithoutTypingLeavesTheTextAsItWasEvenWhenLong) {
    const std::string original(300, 'q');
    LTextEditDlg dialog(nullptr, original, "Name");
    dialog.accept();
    std::string text = original;
    EXPECT_FALSE(dialog.EditedText(text));
    EXPECT_EQ(text, original);
}

TEST(LTextEditDlg, TypedTextIsCutTo254Characters) {
    LTextEditDlg dialog(nullptr, "old", "Name");
    QTest::keyClicks(EditOf(dialog), QString(300, QChar('x')));
    static_cast<QPushButton*>(FindControl(&dialog, 1))->click();
    std::string text = "old";
    ASSERT_TRUE(dialog.EditedText(text));
    EXPECT_EQ(text, std::string(254, 'x'));
}

TEST(LTextEditDlg, CancelLeavesTheTextAsItWas) {
    LTextEditDlg dialog(nullptr, "old", "Name");
    QTest::keyClicks(EditOf(dialog), "new");
    static_cast<QPushButton*>(FindControl(&dialog, 2))->click();
    std::string text = "old";
    EXPECT_FALSE(dialog.EditedText(text));
    EXPECT_EQ(text, "old");
}
