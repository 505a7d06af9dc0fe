#include "send/ui/RecipientListBox.h"

#include "send/RecipientList.h"

#include <QListWidget>

void FillRecipientListBox(QListWidget* list, const RecipientList& recipients, int selectIndex) {
    list->clear();
    for (const std::string& line : recipients.DisplayTexts())
        list->addItem(QString::fromStdString(line));
    if (selectIndex >= 0 && selectIndex < list->count())
        list->setCurrentRow(selectIndex);
    else
        list->setCurrentRow(-1);
}

int SelectedRow(const QListWidget* list) {
    const QList<QListWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.front());
}
