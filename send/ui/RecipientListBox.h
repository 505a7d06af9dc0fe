// RecipientListBox: fills a list box with the recipients' lines (the default one marked), as the recipient
// dialogs show them; the line of index i is the recipient of index i.
#pragma once

class QListWidget;
class RecipientList;

// Clears the list, adds one line per recipient and selects `selectIndex` (nothing when it names no line).
void FillRecipientListBox(QListWidget* list, const RecipientList& recipients, int selectIndex);

// The index of the selected line, or -1.
int SelectedRow(const QListWidget* list);
