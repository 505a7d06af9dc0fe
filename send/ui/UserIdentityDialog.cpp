#include "send/ui/UserIdentityDialog.h"

#include "platform/Profile.h"
#include "store/IniValues.h"
#include "store/SettingsKeys.h"
#include "ui/DialogButtons.h"
#include "ui/DialogUnits.h"

#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr const char* kCaption = "Name, Email and User ID";

QLineEdit* AddRow(QWidget* dialog, const DialogUnits& units, const char* label, int id, int y, int width) {
    auto* text = new QLabel(QObject::tr(label), dialog);
    text->setGeometry(units.ToPixels(7, y + 2, 50, 10));
    auto* edit = new QLineEdit(dialog);
    units.Place(edit, id, 60, y, width, 12);
    return edit;
}

} // namespace

UserIdentityDialog::UserIdentityDialog(QWidget* parent, const SendDialogContext& context)
    : QDialog(parent), m_context(context) {
    setWindowTitle(tr(kCaption));
    setModal(true);
    const DialogUnits units(font());
    setFixedSize(units.ToPixels(220, 126));

    const std::string& settings = m_context.send.settingsFile;
    m_name = AddRow(this, units, "Name:", kName, 7, 153);
    m_name->setMaxLength(static_cast<int>(kProfileValueLimit));
    m_name->setText(QString::fromStdString(ReadStringValue(settings, SettingsKeys::kUser)));
    m_email = AddRow(this, units, "Email:", kEmail, 23, 153);
    m_email->setMaxLength(static_cast<int>(kProfileValueLimit));
    m_email->setText(QString::fromStdString(ReadStringValue(settings, SettingsKeys::kUserEmail)));
    m_userId = AddRow(this, units, "User ID:", kUserId, 39, 40);
    m_userId->setValidator(new QIntValidator(0, kMaxUserId, m_userId));
    m_userId->setMaxLength(5);
    const int32_t userId = ReadIntValue(settings, SettingsKeys::kUserId);
    if (userId >= 0 && userId <= kMaxUserId)
        m_userId->setText(QString::number(userId));

    auto* note = new QLabel(tr("The user ID (0 to 99999) names the dictations you send and the status files your "
                               "typist leaves for you. Give everyone who sends to the same typist a number of "
                               "their own: users who share a number, 0 included, mix up each other's dictations "
                               "and status."),
                            this);
    note->setWordWrap(true);
    units.Place(note, kNote, 7, 55, 206, 44);

    AddDialogButtons(this, units, {108, 106, 50, 14, 5});
    m_name->setFocus();
}

void UserIdentityDialog::accept() {
    bool isNumber = false;
    const int userId = m_userId->text().trimmed().toInt(&isNumber);
    if (!isNumber || userId < 0 || userId > kMaxUserId) {
        m_context.prompts.Warn(this, tr(kCaption), tr("Enter a user ID from 0 to 99999."));
        m_userId->setFocus();
        return;
    }
    const std::string& settings = m_context.send.settingsFile;
    bool written = WriteStringValue(settings, SettingsKeys::kUser, m_name->text().toStdString());
    written = WriteStringValue(settings, SettingsKeys::kUserEmail, m_email->text().toStdString()) && written;
    written = WriteIntValue(settings, SettingsKeys::kUserId, userId) && written;
    written = FlushProfile(settings) && written;
    if (!written) {
        m_context.prompts.Warn(this, tr(kCaption),
                               tr("Your name, email address and user ID could not be saved. Check that the "
                                  "settings file can be written, then press OK again."));
        return;
    }
    QDialog::accept();
}
