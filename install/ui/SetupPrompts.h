// SetupPrompts: the message boxes of the installer and the uninstaller. A member left empty shows the real box;
// tests put their own functions in to read the texts and answer.
#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>

struct SetupPrompts {
    // A message with `icon` and an OK button.
    std::function<void(QWidget* owner, QMessageBox::Icon icon, const QString& caption, const QString& text)> tell;
    // A question with a stop icon, Yes and No; true for Yes.
    std::function<bool(QWidget* owner, const QString& caption, const QString& text)> ask;

    void Tell(QWidget* owner, QMessageBox::Icon icon, const QString& caption, const QString& text) const;
    bool Ask(QWidget* owner, const QString& caption, const QString& text) const;
};
