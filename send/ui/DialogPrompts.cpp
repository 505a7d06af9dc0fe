#include "send/ui/DialogPrompts.h"

#include <QMessageBox>

void DialogPrompts::Warn(QWidget* owner, const QString& caption, const QString& text) const {
    if (warn) {
        warn(owner, caption, text);
        return;
    }
    QMessageBox::warning(owner, caption, text, QMessageBox::Ok);
}

bool DialogPrompts::Confirm(QWidget* owner, const QString& caption, const QString& text) const {
    if (confirm)
        return confirm(owner, caption, text);
    return QMessageBox::warning(owner, caption, text, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel) ==
           QMessageBox::Ok;
}
