#include "install/ui/SetupPrompts.h"

void SetupPrompts::Tell(QWidget* owner, QMessageBox::Icon icon, const QString& caption, const QString& text) const {
    if (tell) {
        tell(owner, icon, caption, text);
        return;
    }
    QMessageBox box(icon, caption, text, QMessageBox::Ok, owner);
    box.exec();
}

bool SetupPrompts::Ask(QWidget* owner, const QString& caption, const QString& text) const {
    if (ask)
        return ask(owner, caption, text);
    QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Yes | QMessageBox::No, owner);
    return box.exec() == QMessageBox::Yes;
}
