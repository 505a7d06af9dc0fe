#include "send/ui/MailSettingsDialog.h"

#include "send/MailConfig.h"
#include "ui/DialogButtons.h"
#include "ui/DialogUnits.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <charconv>

namespace {

constexpr const char* kCaption = "Mail Settings";

QLabel* AddLabel(QWidget* dialog, const DialogUnits& units, const char* text, int y) {
    auto* label = new QLabel(QObject::tr(text), dialog);
    label->setGeometry(units.ToPixels(14, y + 2, 70, 10));
    return label;
}

QLineEdit* AddEdit(QWidget* dialog, const DialogUnits& units, int id, int y, const std::string& text) {
    auto* edit = new QLineEdit(QString::fromStdString(text), dialog);
    units.Place(edit, id, 86, y, 150, 12);
    return edit;
}

// Where the port of "host:port" starts (after the colon), or npos when the text names no port. An IPv6 address
// is written in brackets, so only a colon after the closing bracket counts.
size_t PortStart(std::string_view server) {
    const size_t bracket = server.rfind(']');
    const size_t colon = server.rfind(':');
    if (colon == std::string_view::npos || (bracket != std::string_view::npos && colon < bracket))
        return std::string_view::npos;
    if (bracket == std::string_view::npos && server.find(':') != colon)
        return std::string_view::npos; // a bare IPv6 address: no port can be told apart
    return colon + 1;
}

// The server text is a host, or a host and a port from 1 to 65535.
bool IsServerText(std::string_view server) {
    const size_t start = PortStart(server);
    if (start == std::string_view::npos)
        return true;
    const std::string_view port = server.substr(start);
    unsigned value = 0;
    const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
    return start > 1 && error == std::errc() && end == port.data() + port.size() && value >= 1 && value <= 65535;
}

std::string Trimmed(const QLineEdit* edit) {
    return edit->text().trimmed().toStdString();
}

} // namespace

MailSettingsDialog::MailSettingsDialog(QWidget* parent, const SendDialogContext& context)
    : QDialog(parent), m_context(context) {
    setWindowTitle(tr(kCaption));
    setModal(true);
    const DialogUnits units(font());
    setFixedSize(units.ToPixels(250, 140));

    const MailSettings settings = LoadMailSettings(m_context.send);
    std::string server = settings.server;
    if (settings.port != 0 && !server.empty() && PortStart(server) == std::string::npos)
        server += ":" + std::to_string(settings.port); // shown the way it is typed

    auto* group = new QGroupBox(tr("Outgoing &Mail"), this);
    group->setGeometry(units.ToPixels(7, 4, 236, 110));
    AddLabel(this, units, "Server (host:port)", 16);
    m_server = AddEdit(this, units, kServer, 16, server);
    AddLabel(this, units, "Security", 32);
    m_security = new QComboBox(this);
    units.Place(m_security, kSecurity, 86, 31, 150, 14);
    m_security->addItems({tr("None"), tr("STARTTLS"), tr("SMTPS")});
    m_security->setCurrentIndex(static_cast<int>(settings.security));
    m_verify = new QCheckBox(tr("Check the server's certificate"), this);
    units.Place(m_verify, kVerifyCertificate, 86, 48, 150, 10);
    m_verify->setChecked(settings.verifyCertificate);
    AddLabel(this, units, "Your Email Address", 64);
    m_sender = AddEdit(this, units, kSender, 64, settings.sender);
    AddLabel(this, units, "User Name", 80);
    m_user = AddEdit(this, units, kUser, 80, settings.user);
    AddLabel(this, units, "Password", 96);
    m_password = AddEdit(this, units, kPassword, 96, settings.password);
    m_password->setEchoMode(QLineEdit::Password);

    AddDialogButtons(this, units, {83, 120, 50, 14, 5}, [this] {
        if (m_context.help)
            m_context.help(kHelpAnchor);
    });

    connect(m_security, &QComboBox::currentIndexChanged, this, &MailSettingsDialog::ApplyEnabling);
    ApplyEnabling();
    m_server->setFocus();
}

void MailSettingsDialog::ApplyEnabling() {
    m_verify->setEnabled(m_security->currentIndex() != static_cast<int>(MailSecurity::None));
}

void MailSettingsDialog::accept() {
    MailSettings settings = LoadMailSettings(m_context.send); // keeps what this dialog does not show
    settings.server = Trimmed(m_server);
    settings.port = 0; // any port is part of the server text
    settings.security = static_cast<MailSecurity>(std::max(0, m_security->currentIndex()));
    settings.verifyCertificate = m_verify->isChecked();
    settings.sender = Trimmed(m_sender);
    settings.user = Trimmed(m_user);
    settings.password = m_password->text().toStdString(); // a password may begin or end with blanks

    if (!IsServerText(settings.server)) {
        m_context.prompts.Warn(this, tr(kCaption),
                               tr("Enter the mail server as its name, or as name:port with a port from 1 to 65535."));
        m_server->setFocus();
        return;
    }
    if (settings.security == MailSecurity::None && !settings.password.empty() &&
        !m_context.prompts.Confirm(this, tr(kCaption),
                                   tr("With the security \"None\" your password travels over the network "
                                      "unprotected. Save these settings anyway?")))
        return;
    if (!SaveMailSettings(m_context.send, settings)) {
        m_context.prompts.Warn(this, tr(kCaption),
                               tr("The mail settings could not be saved. Check that the settings file and the "
                                  "program's folder can be written, then press OK again."));
        return;
    }
    QDialog::accept();
}
