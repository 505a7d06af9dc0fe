#include "sound/ui/LTextEditDlg.h"

#include "ui/DialogButtons.h"
#include "ui/DialogUnits.h"

#include <QLineEdit>
#include <QPushButton>

LTextEditDlg::LTextEditDlg(QWidget* parent, const std::string& text, const QString& caption) : QDialog(parent) {
    setWindowTitle(caption);
    setModal(true);
    const DialogUnits units(font());
    setFixedSize(units.ToPixels(237, 20));

    m_edit = new QLineEdit(QString::fromStdString(text), this);
    units.Place(m_edit, 100, 2, 4, 126, 12);
    m_edit->selectAll();

    AddDialogButtons(this, units, {131, 3, 50, 14, 3});

    m_edit->setFocus();
}

bool LTextEditDlg::EditedText(std::string& text) const {
    if (result() != QDialog::Accepted || !m_edit->isModified())
        return false;
    QString edited = m_edit->text();
    if (edited.size() > kMaxCharacters) {
        qsizetype cut = kMaxCharacters;
        if (edited.at(cut - 1).isHighSurrogate())
            --cut;
        edited.truncate(cut);
    }
    text = edited.toStdString();
    return true;
}

bool LTextEditDlg::Ask(QWidget* parent, std::string& text, const QString& caption) {
    LTextEditDlg dialog(parent, text, caption);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.EditedText(text);
    return true;
}
