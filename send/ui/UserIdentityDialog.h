// UserIdentityDialog: "Name, Email and User ID": edits the user's name and e-mail address (shown to the typist
// and in e-mailed dictations) and the user id (0 to 99999) that names the dictation packages and status files.
// OK writes all three to "settings.ini".
//
//   UserIdentityDialog dialog(userSettingsDialog, context);
//   if (dialog.exec() == QDialog::Accepted) ShowIdentity();
#pragma once

#include "send/ui/SendDialogs.h"

#include <QDialog>

class QLineEdit;

class UserIdentityDialog final : public QDialog {
public:
    enum ControlId { kOk = 1, kCancel = 2, kName = 101, kEmail = 102, kUserId = 103, kNote = 104 };

    // Package names print the user id with five digits.
    static constexpr int kMaxUserId = 99999;

    UserIdentityDialog(QWidget* parent, const SendDialogContext& context);

    void accept() override;

private:
    const SendDialogContext& m_context;
    QLineEdit* m_name;
    QLineEdit* m_email;
    QLineEdit* m_userId;
};
