#include "send/ui/SelectedSendDialog.h"

#include "send/RecipientList.h"
#include "send/ui/RecipientListBox.h"
#include "ui/DialogUnits.h"

#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>

SelectedSendDialog::SelectedSendDialog(QWidget* parent, const SendDialogContext& context) : QDialog(parent) {
    setWindowTitle(tr("Send To Recipient"));
    setModal(true);
    const DialogUnits units(font());
    setFixedSize(units.ToPixels(220, 116));

    auto* group = new QGroupBox(tr(" Select &Recipient"), this);
    group->setGeometry(units.ToPixels(7, 4, 206, 84));
    m_list = new QListWidget(this);
    units.Place(m_list, kList, 14, 16, 192, 66);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    // A double-click sends to the line clicked, as pressing "&Send" with it selected would.
    connect(m_list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);

    auto* send = new QPushButton(tr("&Send"), this);
    units.Place(send, kSend, 108, 96, 50, 14);
    send->setDefault(true);
    connect(send, &QPushButton::clicked, this, &QDialog::accept);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    units.Place(cancel, kCancel, 163, 96, 50, 14);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    const RecipientList recipients(context.send.programFolder, context.send.settingsFile);
    FillRecipientListBox(m_list, recipients, recipients.DefaultIndex());
    m_list->setFocus();
}

void SelectedSendDialog::accept() {
    m_chosen = SelectedRow(m_list);
    QDialog::accept();
}
