#include "send/ui/SendToDialog.h"

#include "platform/CodecCatalog.h"
#include "send/MailConfig.h"
#include "sound/ui/ChooseWaveFileFormat.h"
#include "store/IniValues.h"
#include "store/SettingsKeys.h"
#include "ui/DialogButtons.h"
#include "ui/DialogUnits.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <array>

namespace {

constexpr const char* kCaption = "Send To Typist Recipient Properties";

// The e-mail method sends through our own mail settings; without them nothing can be sent by e-mail.
constexpr const char* kMailCaption = "Mail Settings required";
constexpr const char* kMailText =
    "WARNING: Sending email has not been set up on this computer. A mail server and your email address are "
    "required to use the Email option.\n\nChoose Mail Settings... in the Settings menu and enter your mail server "
    "and email address, and your user name and password if your mail server asks for them.";

QLabel* AddLabel(QWidget* dialog, const DialogUnits& units, const char* text, int id, int x, int y, int width) {
    auto* label = new QLabel(QObject::tr(text), dialog);
    if (id != 0)
        units.Place(label, id, x, y, width, 10);
    else
        label->setGeometry(units.ToPixels(x, y, width, 10));
    return label;
}

QLineEdit* AddEdit(QWidget* dialog, const DialogUnits& units, int id, int x, int y, int width,
                   const std::string& text) {
    auto* edit = new QLineEdit(QString::fromStdString(text), dialog);
    units.Place(edit, id, x, y, width, 12);
    return edit;
}

std::string EditText(const QLineEdit* edit) {
    return edit->text().toStdString();
}

} // namespace

SendToDialog::SendToDialog(QWidget* parent, const SendDialogContext& context, int index)
    : QDialog(parent), m_context(context), m_index(index) {
    m_record.Load(RecordPath()); // a new index has no file and keeps the default record
    setWindowTitle(tr(kCaption));
    setModal(true);
    const DialogUnits units(font());
    setFixedSize(units.ToPixels(260, 268));

    auto* recipientGroup = new QGroupBox(tr("&Typist Recipient"), this);
    recipientGroup->setGeometry(units.ToPixels(7, 4, 246, 30));
    auto* methodGroup = new QGroupBox(tr("Send &Method"), this);
    methodGroup->setGeometry(units.ToPixels(7, 38, 246, 156));
    auto* formatGroup = new QGroupBox(tr("&Audio Compression Settings"), this);
    formatGroup->setGeometry(units.ToPixels(7, 198, 246, 42));

    AddLabel(this, units, "Name", 0, 14, 17, 60);
    m_name = AddEdit(this, units, kName, 90, 15, 156, m_record.Name());

    m_email = new QRadioButton(tr("Email (send dictation as an attachment)"), this);
    units.Place(m_email, kEmailMethod, 14, 50, 232, 10);
    AddLabel(this, units, "Email Address", kEmailLabel, 26, 64, 62);
    m_emailAddress = AddEdit(this, units, kEmailAddress, 90, 62, 156, m_record.Text(RecipientField::EmailAddress));

    m_lan = new QRadioButton(tr("Local Area Network (LAN) or Floppy Disk"), this);
    units.Place(m_lan, kLanMethod, 14, 80, 232, 10);
    AddLabel(this, units, "Folder or Drive", kFolderLabel, 26, 94, 62);
    m_folder = AddEdit(this, units, kFolder, 90, 92, 108, m_record.Text(RecipientField::Folder));
    auto* browse = new QPushButton(tr("Browse..."), this);
    units.Place(browse, kBrowseFolder, 200, 91, 46, 14);
    connect(browse, &QPushButton::clicked, this, &SendToDialog::BrowseFolder);

    m_ftp = new QRadioButton(tr("Direct Internet Connect (FTP)"), this);
    units.Place(m_ftp, kFtpMethod, 14, 110, 232, 10);
    AddLabel(this, units, "Server", kServerLabel, 26, 124, 62);
    m_server = AddEdit(this, units, kServer, 90, 122, 156, m_record.Text(RecipientField::FtpServer));
    AddLabel(this, units, "User Name", kUserLabel, 26, 138, 62);
    m_user = AddEdit(this, units, kUser, 90, 136, 156, m_record.Text(RecipientField::FtpUser));
    AddLabel(this, units, "Password", kPasswordLabel, 26, 152, 62);
    m_password = AddEdit(this, units, kPassword, 90, 150, 156, m_record.Text(RecipientField::FtpPassword));
    m_password->setEchoMode(QLineEdit::Password);
    AddLabel(this, units, "Directory", kDirectoryLabel, 26, 166, 62);
    m_directory = AddEdit(this, units, kDirectory, 90, 164, 156, m_record.Text(RecipientField::FtpDirectory));
    // The secure-FTP choices sit in the method group's last row, under the FTP fields they belong to.
    m_ftpOverTls = new QCheckBox(tr("Use secure FTP (TLS)"), this);
    units.Place(m_ftpOverTls, kFtpOverTls, 26, 180, 96, 10);
    m_ftpOverTls->setChecked(m_record.FtpOverTls());
    m_verifyCertificate = new QCheckBox(tr("Check the server's certificate"), this);
    units.Place(m_verifyCertificate, kVerifyCertificate, 126, 180, 120, 10);
    m_verifyCertificate->setChecked(m_record.VerifyServerCertificate());

    // One group for the three radio buttons, which sit beside the other controls rather than inside a frame.
    auto* methods = new QButtonGroup(this);
    methods->addButton(m_email);
    methods->addButton(m_lan);
    methods->addButton(m_ftp);

    AddLabel(this, units, "Select format to speed transfer", 0, 14, 211, 112);
    auto* format = new QPushButton(tr("Select Audio File Format..."), this);
    units.Place(format, kSelectFormat, 130, 209, 116, 14);
    connect(format, &QPushButton::clicked, this, &SendToDialog::SelectFormat);
    m_formatText = new QLabel(this);
    units.Place(m_formatText, kFormatText, 14, 226, 232, 10);
    ShowFormat();

    m_setDefault = new QPushButton(tr("Set Default"), this);
    units.Place(m_setDefault, kSetDefault, 7, 248, 50, 14);
    connect(m_setDefault, &QPushButton::clicked, this, &SendToDialog::SetDefault);
    AddDialogButtons(this, units, {93, 248, 50, 14, 5}, [this] {
        if (m_context.help)
            m_context.help(kHelpAnchor);
    });

    switch (m_record.MethodValue()) {
    case static_cast<uint32_t>(SendMethod::Lan):
        m_lan->setChecked(true);
        break;
    case static_cast<uint32_t>(SendMethod::Ftp):
        m_ftp->setChecked(true);
        break;
    default: // e-mail, and any value a damaged file holds
        m_email->setChecked(true);
        break;
    }
    for (QRadioButton* button : {m_email, m_lan, m_ftp})
        connect(button, &QRadioButton::toggled, this, &SendToDialog::ApplyEnabling);
    connect(m_ftpOverTls, &QCheckBox::toggled, this, &SendToDialog::ApplyEnabling);
    ApplyEnabling();
    if (ReadIntValue(m_context.send.settingsFile, SettingsKeys::kSendDefault) == m_index)
        m_setDefault->setEnabled(false);
    m_name->setFocus();
}

std::string SendToDialog::RecordPath() const {
    return RecipientPath(m_context.send.programFolder, m_index);
}

void SendToDialog::ApplyEnabling() {
    const bool email = m_email->isChecked();
    const bool lan = m_lan->isChecked();
    const bool ftp = m_ftp->isChecked();
    for (int id : {kEmailLabel, kEmailAddress})
        FindControl(this, id)->setEnabled(email);
    for (int id : {kFolderLabel, kFolder, kBrowseFolder})
        FindControl(this, id)->setEnabled(lan);
    for (int id : {kServerLabel, kServer, kUserLabel, kUser, kPasswordLabel, kPassword, kDirectoryLabel, kDirectory,
                   kFtpOverTls})
        FindControl(this, id)->setEnabled(ftp);
    m_verifyCertificate->setEnabled(ftp && m_ftpOverTls->isChecked());
}

void SendToDialog::SelectFormat() {
    std::array<uint8_t, TypistRecipient::kFormatSize> area{};
    const auto stored = m_record.Bytes().subspan(TypistRecipient::kFormatOffset, TypistRecipient::kFormatSize);
    std::copy(stored.begin(), stored.end(), area.begin());
    const bool chosen = m_context.chooseFormat ? m_context.chooseFormat(area, this) : ChooseWaveFileFormat(area, this);
    if (!chosen)
        return;
    const std::optional<WaveFormatRecord> format = WaveFormatRecord::Parse(area);
    if (!format || !m_record.SetFormat(*format)) {
        m_context.prompts.Warn(this, tr(kCaption), tr("The chosen format cannot be kept for this recipient."));
        return;
    }
    ShowFormat();
    // The format is stored at once, with the other fields as they were loaded; OK stores the typed ones.
    if (!m_record.Save(RecordPath()))
        m_context.prompts.Warn(this, tr(kCaption),
                               tr("The audio format could not be saved. Check that the program's folder can be "
                                  "written, then choose the format again."));
}

void SendToDialog::ShowFormat() {
    bool unusable = false;
    const WaveFormatRecord format = m_record.FormatOrDefault(unusable);
    const CodecCatalogEntry* entry = CodecCatalog::FindFor(format);
    const std::string words =
        (entry ? entry->name : std::string("Unknown format")) + ", " + CodecCatalog::Describe(format);
    m_formatText->setText(tr("Format: %1").arg(QString::fromStdString(words)));
}

void SendToDialog::BrowseFolder() {
    const std::string start = EditText(m_folder);
    const std::string chosen = m_context.chooseFolder ? m_context.chooseFolder(this, start)
                                                      : QFileDialog::getExistingDirectory(this, tr("Folder or Drive"),
                                                                                          QString::fromStdString(start))
                                                            .toStdString();
    if (!chosen.empty())
        m_folder->setText(QString::fromStdString(chosen));
}

void SendToDialog::SetDefault() {
    const std::string& settings = m_context.send.settingsFile;
    if (!WriteIntValue(settings, SettingsKeys::kSendDefault, m_index) || !FlushProfile(settings)) {
        m_context.prompts.Warn(this, tr(kCaption),
                               tr("The default recipient could not be saved. Check that the settings file can be "
                                  "written, then try again."));
        return;
    }
    m_setDefault->setEnabled(false);
}

void SendToDialog::accept() {
    const std::string name = EditText(m_name);
    if (!name.empty())
        m_record.SetText(RecipientField::Name, name);
    if (m_email->isChecked()) {
        m_record.SetMethod(SendMethod::Email);
        if (!IsMailConfigured(m_context.send))
            m_context.prompts.Warn(this, tr(kMailCaption), tr(kMailText));
    } else if (m_lan->isChecked()) {
        m_record.SetMethod(SendMethod::Lan);
    } else if (m_ftp->isChecked()) {
        m_record.SetMethod(SendMethod::Ftp);
    }
    // Address fields are stored as typed: a cleared field is cleared (an FTP server without log-on, the
    // server's top directory). Blanks and slashes at the end of a folder are the transports' to strip.
    m_record.SetText(RecipientField::EmailAddress, EditText(m_emailAddress));
    m_record.SetText(RecipientField::Folder, EditText(m_folder));
    m_record.SetText(RecipientField::FtpServer, EditText(m_server));
    m_record.SetText(RecipientField::FtpUser, EditText(m_user));
    m_record.SetText(RecipientField::FtpPassword, EditText(m_password));
    m_record.SetText(RecipientField::FtpDirectory, EditText(m_directory));
    m_record.SetFtpOverTls(m_ftpOverTls->isChecked());
    m_record.SetVerifyServerCertificate(m_verifyCertificate->isChecked());
    if (!m_record.Save(RecordPath())) {
        m_context.prompts.Warn(this, tr(kCaption),
                               tr("The recipient could not be saved. Check that the program's folder can be "
                                  "written, then press OK again."));
        return;
    }
    QDialog::accept();
}
