// The one-line text prompt: it opens with the text selected, and only OK after typing changes the text.
#include "sound/ui/LTextEditDlg.h"
#include "ui/DialogUnits.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

TEST(LTextEditDlg, OpensWithTheTextSelectedAndOnlyOkAfterTypingChangesItCutTo254Characters) {
    const std::string longText(300, 'q');
    // Text, what is typed, the button clicked (1 OK, 2 Cancel), whether the text changed, the text after.
    const std::tuple<std::string, QString, int, bool, std::string> cases[] = {
        {longText, "", 1, false, longText},
        {"old", "new", 2, false, "old"},
        {"old", QString(300, QChar('x')), 1, true, std::string(254, 'x')}};
    for (const auto& [before, typed, button, edited, after] : cases) {
        LTextEditDlg dialog(nullptr, before, "Enter Dictation Name");
        auto* edit = qobject_cast<QLineEdit*>(FindControl(&dialog, 100));
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->selectedText().toStdString(), before);
        QTest::keyClicks(edit, typed);
        qobject_cast<QPushButton*>(FindControl(&dialog, button))->click();
        std::string text = before;
        EXPECT_EQ(dialog.EditedText(text), edited) << button;
        EXPECT_EQ(text, after);
    }
}
