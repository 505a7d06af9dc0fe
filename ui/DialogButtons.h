// AddDialogButtons: the closing buttons of a template dialog in one row: "OK" (id 1, the default button,
// accepts), "Cancel" (id 2, rejects) and, when the dialog has help, "Help" (id 9, runs `help`).
//
//   AddDialogButtons(this, units, {93, 122, 50, 14, 5}, [this] { ShowHelp(); });
#pragma once

#include <functional>

class DialogUnits;
class QDialog;

// The row in dialog units: the first button's place and size, and the gap between buttons.
struct DialogButtonRow {
    int x;
    int y;
    int width;
    int height;
    int gap;
    const char* okText = "OK"; // the first button's caption ("&Done" ...)
};

void AddDialogButtons(QDialog* dialog, const DialogUnits& units, DialogButtonRow row, std::function<void()> help = {});
