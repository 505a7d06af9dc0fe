#include "send/ui/RecipientSettingsDialog.h"

#include "send/ui/RecipientListBox.h"
#include "send/ui/SendToDialog.h"
#include "store/IniValues.h"
#include "store/SettingsKeys.h"
#include "ui/DialogButtons.h"
#include "ui/DialogUnits.h"

#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>

namespace {

constexpr const char* kCaption = "Recipient Settings";

} // namespace

RecipientSettingsDialog::RecipientSettingsDialog(QWidget* parent, const SendDialogContext& context)
    : QDialog(parent), m_context(context), m_recipients(context.send.programFolder, context.send.settingsFile) {
    setWindowTitle(tr(kCaption));
    setModal(true);
    const DialogUnits units(font());
    setFixedSize(units.ToPixels(260, 142));

    auto* group = new QGroupBox(tr("Typist &Recipients"), this);
    group->setGeometry(units.ToPixels(7, 4, 246, 110));
    m_list = new QListWidget(this);
    units.Place(m_list, kList, 14, 16, 232, 72);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(m_list, &QListWidget::itemSelectionChanged, this, &RecipientSettingsDialog::UpdateButtons);

    auto* add = new QPushButton(tr("New Recipient..."), this);
    units.Place(add, kNewRecipient, 14, 94, 70, 14);
    connect(add, &QPushButton::clicked, this, &RecipientSettingsDialog::NewRecipient);
    m_delete = new QPushButton(tr("Delete"), this);
    units.Place(m_delete, kDelete, 95, 94, 70, 14);
    connect(m_delete, &QPushButton::clicked, this, &RecipientSettingsDialog::DeleteRecipient);
    m_properties = new QPushButton(tr("Properties..."), this);
    units.Place(m_properties, kProperties, 176, 94, 70, 14);
    connect(m_properties, &QPushButton::clicked, this, &RecipientSettingsDialog::EditProperties);

    AddDialogButtons(this, units, {93, 122, 50, 14, 5}, [this] {
        if (m_context.help)
            m_context.help(kHelpAnchor);
    });

    FillList(0);
    m_list->setFocus();
}

void RecipientSettingsDialog::FillList(int selectIndex) {
    FillRecipientListBox(m_list, m_recipients, selectIndex);
    UpdateButtons();
}

void RecipientSettingsDialog::UpdateButtons() {
    const bool selected = SelectedRow(m_list) >= 0;
    m_delete->setEnabled(selected);
    m_properties->setEnabled(selected);
}

void RecipientSettingsDialog::NewRecipient() {
    const int index = m_recipients.Count();
    SendToDialog properties(this, m_context, index);
    if (properties.exec() != QDialog::Accepted)
        return;
    const std::string& settings = m_context.send.settingsFile;
    if (!WriteIntValue(settings, SettingsKeys::kSendCount, index + 1) || !FlushProfile(settings))
        m_context.prompts.Warn(this, tr(kCaption),
                               tr("The new recipient was saved, but the list of recipients could not be updated. "
                                  "Check that the settings file can be written, then add the recipient again."));
    FillList(index);
}

void RecipientSettingsDialog::DeleteRecipient() {
    const int index = SelectedRow(m_list);
    if (index < 0)
        return;
    if (!m_context.prompts.Confirm(this, tr("Confirm Delete"), tr("Are you sure you want to delete this recipient?")))
        return;
    RecipientList::RenumberFunction renumberQueue;
    if (SendQueue* queue = m_context.queue)
        renumberQueue = [queue](int deletedIndex) { return queue->RenumberRecipients(deletedIndex); };
    const RecipientDeleteResult result = m_recipients.Delete(index, renumberQueue);
    switch (result) {
    case RecipientDeleteResult::Deleted:
    case RecipientDeleteResult::NoSuchRecipient: // the list was out of date; it is read again below
        break;
    case RecipientDeleteResult::RenumberFailed:
        m_context.prompts.Warn(this, tr(kCaption),
                               tr("The recipient could not be deleted: the recipient files could not be renumbered. "
                                  "Nothing was changed. Check that the program's folder can be written, then try "
                                  "again."));
        break;
    case RecipientDeleteResult::SettingsNotSaved:
        m_context.prompts.Warn(this, tr(kCaption),
                               tr("The recipient was deleted, but the number of recipients could not be saved. "
                                  "Check that the settings file can be written, and check the list of "
                                  "recipients."));
        break;
    case RecipientDeleteResult::QueueNotRenumbered:
        m_context.prompts.Warn(this, tr(kCaption),
                               tr("The recipient was deleted, but dictations waiting to be sent could not be "
                                  "moved to the new recipient numbers. Check the recipient of each waiting "
                                  "dictation."));
        break;
    }
    FillList(0);
}

void RecipientSettingsDialog::EditProperties() {
    const int index = SelectedRow(m_list);
    if (index < 0)
        return;
    SendToDialog properties(this, m_context, index);
    if (properties.exec() == QDialog::Accepted)
        FillList(index);
}
