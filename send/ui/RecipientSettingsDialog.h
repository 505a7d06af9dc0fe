// RecipientSettingsDialog: "Recipient Settings": the list of typist recipients with New, Delete and Properties.
// Every change is written when it is made (by the command or by the properties dialog), so OK and Cancel only
// close.
//
//   RecipientSettingsDialog dialog(mainWindow, context);
//   dialog.exec();
#pragma once

#include "send/RecipientList.h"
#include "send/ui/SendDialogs.h"

#include <QDialog>

class QListWidget;
class QPushButton;

class RecipientSettingsDialog final : public QDialog {
public:
    enum ControlId {
        kOk = 1,
        kCancel = 2,
        kHelp = 9,
        kList = 106,
        kNewRecipient = 107,
        kDelete = 108,
        kProperties = 109,
    };

    static constexpr const char* kHelpAnchor = "recipient-settings";

    RecipientSettingsDialog(QWidget* parent, const SendDialogContext& context);

private:
    void FillList(int selectIndex);
    void UpdateButtons();
    void NewRecipient();
    void DeleteRecipient();
    void EditProperties();

    const SendDialogContext& m_context;
    RecipientList m_recipients;
    QListWidget* m_list;
    QPushButton* m_delete;
    QPushButton* m_properties;
};
