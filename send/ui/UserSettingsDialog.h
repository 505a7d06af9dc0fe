// UserSettingsDialog: "User Settings": the user's name and e-mail address (shown, changed through the identity
// dialog) and contact details (edited), which travel with every dictation package. OK writes every contact
// detail as it stands, so a cleared detail is no longer sent.
//
//   UserSettingsDialog dialog(mainWindow, context);
//   dialog.exec();
#pragma once

#include "send/ui/SendDialogs.h"

#include <QDialog>
#include <array>

class QLabel;
class QLineEdit;

class UserSettingsDialog final : public QDialog {
public:
    enum ControlId {
        kOk = 1,
        kCancel = 2,
        kHelp = 9,
        kName = 101,
        kCompany = 102,
        kEmail = 103,
        kPhone = 104,
        kCell = 105,
        kFax = 106,
        kAddress1 = 107,       // to kAddress1 + 3
        kChangeIdentity = 111, // ours: opens the identity dialog
    };

    static constexpr const char* kHelpAnchor = "user-settings";

    UserSettingsDialog(QWidget* parent, const SendDialogContext& context);

    void accept() override;

private:
    void ShowIdentity();
    void ChangeIdentity();

    const SendDialogContext& m_context;
    QLabel* m_name;
    QLabel* m_email;
    std::array<QLineEdit*, 8> m_details{}; // in the order of UserKeys::kDetails
};
