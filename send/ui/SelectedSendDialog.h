// SelectedSendDialog: "Send To Recipient": the recipient list with the default selected; "&Send" gives the
// index of the selected line (-1 when none is), Cancel gives nothing.
//
//   SelectedSendDialog dialog(mainWindow, context);
//   if (dialog.exec() == QDialog::Accepted && dialog.ChosenIndex() >= 0) Send(dialog.ChosenIndex());
#pragma once

#include "send/ui/SendDialogs.h"

#include <QDialog>

class QListWidget;

class SelectedSendDialog final : public QDialog {
public:
    enum ControlId { kSend = 1, kCancel = 2, kList = 101 };

    SelectedSendDialog(QWidget* parent, const SendDialogContext& context);

    void accept() override;

    // After "&Send": the selected line's index, -1 when no line was selected.
    int ChosenIndex() const { return m_chosen; }

private:
    QListWidget* m_list;
    int m_chosen = -1;
};
