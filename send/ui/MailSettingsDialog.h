// MailSettingsDialog: "Mail Settings": the outgoing mail server ("host" or "host:port"), its security, whether
// its certificate is checked, the sender address and the log-on the e-mail method sends with. Read when the
// dialog opens; OK stores them (the password in its owner-only file), Cancel stores nothing.
//
//   MailSettingsDialog dialog(mainWindow, context);
//   dialog.exec();
#pragma once

#include "send/ui/SendDialogs.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;

class MailSettingsDialog final : public QDialog {
public:
    enum ControlId {
        kOk = 1,
        kCancel = 2,
        kHelp = 9,
        kServer = 101,
        kSecurity = 102, // entries in the order of MailSecurity: None, STARTTLS, SMTPS
        kVerifyCertificate = 103,
        kSender = 104,
        kUser = 105,
        kPassword = 106,
    };

    static constexpr const char* kHelpAnchor = "mail-settings";

    MailSettingsDialog(QWidget* parent, const SendDialogContext& context);

    void accept() override;

private:
    void ApplyEnabling();

    const SendDialogContext& m_context;
    QLineEdit* m_server;
    QComboBox* m_security;
    QCheckBox* m_verify;
    QLineEdit* m_sender;
    QLineEdit* m_user;
    QLineEdit* m_password;
};
