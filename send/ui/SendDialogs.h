// SendDialogs: the send dialogs as the main window runs them, behind one include: the recipient list, the
// recipient of one send, the user's details, the mail settings, and the sent-work progress and recovery dialog.
// UI thread only; every dialog reads what it shows from the files when it opens and keeps nothing afterwards.
//
//   SendDialogContext context{sendContext, &queue, &session, OpenHelp, {}};
//   if (const std::optional<int> index = ChooseSendRecipient(this, context)) SendTo(*index);
//   if (RunRecoverDialog(this, RecoverDialogMode::Recover, context, status, backend)) ReloadDictations();
#pragma once

#include "send/SendContext.h"
#include "send/SendQueue.h"
#include "send/ui/DialogPrompts.h"
#include "send/ui/RecoveryHost.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

class AudioBackend;
class QWidget;
class Status;

// Edits a recipient's format area (1024 bytes) in place; true when the user picked a usable format.
// Empty: the wave format chooser.
using FormatChooserFunction = std::function<bool(std::span<uint8_t> area, QWidget* owner)>;

struct SendDialogContext {
    SendContext send;                 // programFolder holds the recipient records; settingsFile; sentFolder
    SendQueue* queue = nullptr;       // renumbered when a recipient is deleted; null: no queue
    RecoveryHost* recovery = nullptr; // recovers sent dictations; null: the recovery dialog only shows them
    HelpFunction help;
    DialogPrompts prompts;
    FormatChooserFunction chooseFormat;
    // Asks for a folder, starting at the one given; "" when the user cancelled. Null: the desktop's folder chooser.
    std::function<std::string(QWidget* parent, const std::string& start)> chooseFolder;
};

enum class RecoverDialogMode {
    ViewProgress, // "Work Progress": the list, Play and Close
    Recover       // "Recover Sent Dictations": the list, Recover, Play and Cancel
};

// "Recipient Settings": adds, deletes and edits recipients; every change is written as it is made.
void RunRecipientSettings(QWidget* parent, const SendDialogContext& context);

// "Send To Recipient": the recipient index the user chose, or nothing on Cancel or when no line was selected.
std::optional<int> ChooseSendRecipient(QWidget* parent, const SendDialogContext& context);

// "User Settings": the user's contact details (and, through its own button, the name, e-mail address and user id).
void RunUserSettings(QWidget* parent, const SendDialogContext& context);

// "Mail Settings": the outgoing mail server, sender address and log-on the e-mail method sends with.
void RunMailSettings(QWidget* parent, const SendDialogContext& context);

// The sent dictations with their status, refreshed while the status worker collects status files. True when a
// dictation was recovered into "Current Files/" (the caller then reloads its list). The caller stops its own
// player and recorder first.
bool RunRecoverDialog(QWidget* parent, RecoverDialogMode mode, const SendDialogContext& context, Status& status,
                      AudioBackend& backend);
