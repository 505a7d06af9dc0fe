// SendToDialog: "Send To Typist Recipient Properties": one recipient's name, send method with its address
// fields, target audio format and whether it is the default, for an existing index or the next free one.
// The record is read when the dialog is made; OK writes it, "Set Default" and a chosen format are written at once.
//
//   SendToDialog dialog(parent, context, index);
//   if (dialog.exec() == QDialog::Accepted) RefillList(index);
#pragma once

#include "send/TypistRecipient.h"
#include "send/ui/SendDialogs.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QPushButton;

class SendToDialog final : public QDialog {
public:
    enum ControlId {
        kOk = 1,
        kCancel = 2,
        kHelp = 9,
        kName = 101,
        kEmailMethod = 102,
        kEmailLabel = 103,
        kEmailAddress = 104,
        kLanMethod = 105,
        kFolderLabel = 106,
        kFolder = 107,
        kFtpMethod = 108,
        kServerLabel = 109,
        kServer = 110,
        kUserLabel = 111,
        kUser = 112,
        kPasswordLabel = 113,
        kPassword = 114,
        kDirectoryLabel = 115,
        kDirectory = 116,
        kSelectFormat = 117,
        kSetDefault = 118,
        kFtpOverTls = 119,        // ours: FTP over TLS
        kVerifyCertificate = 120, // ours: refuse a server whose certificate is not trusted
        kBrowseFolder = 121,      // ours: a folder chooser for "Folder or Drive"
        kFormatText = 122,        // ours: the chosen audio format in words
    };

    static constexpr const char* kHelpAnchor = "recipient-properties";

    SendToDialog(QWidget* parent, const SendDialogContext& context, int index);

    void accept() override;

    int Index() const { return m_index; }

private:
    void ApplyEnabling();
    void SelectFormat();
    void ShowFormat();
    void BrowseFolder();
    void SetDefault();
    std::string RecordPath() const;

    const SendDialogContext& m_context;
    const int m_index;
    TypistRecipient m_record;
    QLineEdit* m_name;
    QRadioButton* m_email;
    QRadioButton* m_lan;
    QRadioButton* m_ftp;
    QLineEdit* m_emailAddress;
    QLineEdit* m_folder;
    QLineEdit* m_server;
    QLineEdit* m_user;
    QLineEdit* m_password;
    QLineEdit* m_directory;
    QCheckBox* m_ftpOverTls;
    QCheckBox* m_verifyCertificate;
    QPushButton* m_setDefault;
    QLabel* m_formatText;
};
