#include "send/ui/UserSettingsDialog.h"

#include "platform/Profile.h"
#include "send/ui/UserIdentityDialog.h"
#include "store/IniValues.h"
#include "store/SettingsKeys.h"
#include "ui/DialogButtons.h"
#include "ui/DialogUnits.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr const char* kCaption = "User Settings";
constexpr int kRowHeight = 14;

void AddLabel(QWidget* dialog, const DialogUnits& units, const char* label, int y) {
    if (label == nullptr)
        return;
    auto* text = new QLabel(QObject::tr(label), dialog);
    text->setGeometry(units.ToPixels(14, y + 2, 50, 10));
}

QLineEdit* AddRow(QWidget* dialog, const DialogUnits& units, const char* label, int id, int row) {
    const int y = 16 + row * kRowHeight;
    AddLabel(dialog, units, label, y);
    auto* edit = new QLineEdit(dialog);
    units.Place(edit, id, 66, y, 220, 12);
    edit->setMaxLength(static_cast<int>(kProfileValueLimit));
    return edit;
}

// A value shown as text, not as a box to type in: the identity button changes it.
QLabel* AddTextRow(QWidget* dialog, const DialogUnits& units, const char* label, int id, int row) {
    const int y = 16 + row * kRowHeight;
    AddLabel(dialog, units, label, y);
    auto* text = new QLabel(dialog);
    units.Place(text, id, 66, y + 2, 220, 10);
    text->setTextFormat(Qt::PlainText);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return text;
}

} // namespace

UserSettingsDialog::UserSettingsDialog(QWidget* parent, const SendDialogContext& context)
    : QDialog(parent), m_context(context) {
    setWindowTitle(tr(kCaption));
    setModal(true);
    const DialogUnits units(font());
    setFixedSize(units.ToPixels(300, 186));

    auto* group = new QGroupBox(tr("User"), this);
    group->setGeometry(units.ToPixels(7, 4, 286, 156));
    m_name = AddTextRow(this, units, "Name:", kName, 0);
    m_details[0] = AddRow(this, units, "Company:", kCompany, 1);
    m_email = AddTextRow(this, units, "Email:", kEmail, 2);
    m_details[1] = AddRow(this, units, "Phone:", kPhone, 3);
    m_details[2] = AddRow(this, units, "Cell/Page:", kCell, 4);
    m_details[3] = AddRow(this, units, "Fax:", kFax, 5);
    for (int line = 0; line < 4; ++line)
        m_details[4 + line] = AddRow(this, units, line == 0 ? "Address:" : nullptr, kAddress1 + line, 6 + line);

    // Ours, at the left of the button row: the name, e-mail address and user id are changed in a dialog of
    // their own, so the contact details here stay as they are laid out.
    auto* identity = new QPushButton(tr("Change Name, Email and User ID..."), this);
    units.Place(identity, kChangeIdentity, 7, 166, 150, 14);
    connect(identity, &QPushButton::clicked, this, &UserSettingsDialog::ChangeIdentity);
    AddDialogButtons(this, units, {163, 166, 40, 14, 5}, [this] {
        if (m_context.help)
            m_context.help(kHelpAnchor);
    });

    ShowIdentity();
    for (size_t i = 0; i < m_details.size(); ++i)
        m_details[i]->setText(
            QString::fromStdString(ReadStringValue(m_context.send.settingsFile, UserKeys::kDetails[i])));
    m_details[0]->setFocus();
}

void UserSettingsDialog::ShowIdentity() {
    m_name->setText(QString::fromStdString(ReadStringValue(m_context.send.settingsFile, SettingsKeys::kUser)));
    m_email->setText(QString::fromStdString(ReadStringValue(m_context.send.settingsFile, SettingsKeys::kUserEmail)));
}

void UserSettingsDialog::ChangeIdentity() {
    UserIdentityDialog identity(this, m_context);
    if (identity.exec() == QDialog::Accepted)
        ShowIdentity();
}

void UserSettingsDialog::accept() {
    const std::string& settings = m_context.send.settingsFile;
    bool written = true;
    // Every detail is written as it stands: a detail the user cleared must not travel with later dictations.
    for (size_t i = 0; i < m_details.size(); ++i)
        written = WriteStringValue(settings, UserKeys::kDetails[i], m_details[i]->text().toStdString()) && written;
    written = FlushProfile(settings) && written;
    if (!written) {
        m_context.prompts.Warn(this, tr(kCaption),
                               tr("Your details could not be saved. Check that the settings file can be written, "
                                  "then press OK again."));
        return;
    }
    QDialog::accept();
}
