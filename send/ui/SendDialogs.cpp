#include "send/ui/SendDialogs.h"

#include "send/ui/MailSettingsDialog.h"
#include "send/ui/RecipientSettingsDialog.h"
#include "send/ui/RecoverDialog.h"
#include "send/ui/SelectedSendDialog.h"
#include "send/ui/UserSettingsDialog.h"

void RunRecipientSettings(QWidget* parent, const SendDialogContext& context) {
    RecipientSettingsDialog dialog(parent, context);
    dialog.exec();
}

std::optional<int> ChooseSendRecipient(QWidget* parent, const SendDialogContext& context) {
    SelectedSendDialog dialog(parent, context);
    if (dialog.exec() != QDialog::Accepted || dialog.ChosenIndex() < 0)
        return std::nullopt;
    return dialog.ChosenIndex();
}

void RunUserSettings(QWidget* parent, const SendDialogContext& context) {
    UserSettingsDialog dialog(parent, context);
    dialog.exec();
}

void RunMailSettings(QWidget* parent, const SendDialogContext& context) {
    MailSettingsDialog dialog(parent, context);
    dialog.exec();
}

bool RunRecoverDialog(QWidget* parent, RecoverDialogMode mode, const SendDialogContext& context, Status& status,
                      AudioBackend& backend) {
    RecoverDialog dialog(parent, mode, context, status, backend);
    return dialog.exec() == QDialog::Accepted;
}
