// DialogPrompts: how the send dialogs talk to the user beyond their own controls: message boxes (a warning with
// OK, a question with OK and Cancel) and the help page. Each member may be left empty: the message boxes are
// then the real ones and help does nothing. Tests put their own functions in.
#pragma once

#include <QString>
#include <functional>

class QWidget;

// The help page the dialogs open, at an anchor of their own.
inline constexpr const char* kSendHelpPage = "tallowin.html";

// Opens kSendHelpPage at `anchor`.
using HelpFunction = std::function<void(const char* anchor)>;

struct DialogPrompts {
    // A message with an exclamation icon and an OK button.
    std::function<void(QWidget* owner, const QString& caption, const QString& text)> warn;
    // A question with an exclamation icon, OK and Cancel; true for OK.
    std::function<bool(QWidget* owner, const QString& caption, const QString& text)> confirm;

    void Warn(QWidget* owner, const QString& caption, const QString& text) const;
    bool Confirm(QWidget* owner, const QString& caption, const QString& text) const;
};
