// SendDialogs: the send dialogs as the main window runs them, behind one include: the recipient list, the
// recipient of one send, the user's details, the mail settings, and the sent-work progress and recovery dialog.
// UI thread only; every dialog reads what it shows from the files when it opens and keeps nothing afterwards.
//
//   SendDialogContext context{sendContext, settings.currentFolder, queueHooks, OpenHelp, {}};
//   if (const std::optional<int> index = ChooseSendRecipient(this, context)) SendTo(*index);
//   if (RunRecoverDialog(this, RecoverDialogMode::Recover, context, status, backend)) ReloadDictations();
#pragma once

#include "DialogPrompts.h"
#include "SendContext.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

class AudioBackend;
class QWidget;
class Status;

// What the dialogs ask of the background send queue; empty members: the queue has nothing to say.
struct SendQueueHooks {
    // A recipient was deleted and the later ones moved down by one: the queue renumbers its entries' recipient
    // indexes to match; false when it could not.
    std::function<bool(int deletedIndex)> renumberRecipients;
    // Whether the queue still holds this wave path of "Sent Files/".
    std::function<bool(const std::string& sentWavePath)> isQueued;
    // Takes the entry of this wave path out of the queue; false when it could not (it is then still queued).
    std::function<bool(const std::string& sentWavePath)> remove;
};

// Edits a recipient's format area (1024 bytes) in place; true when the user picked a usable format.
// Empty: the wave format chooser.
using FormatChooserFunction = std::function<bool(std::span<uint8_t> area, QWidget* owner)>;

struct SendDialogContext {
    SendContext send;          // programFolder holds the recipient records; settingsFile; sentFolder
    std::string currentFolder; // "Current Files/", where a recovered dictation goes
    SendQueueHooks queue;
    HelpFunction help;
    DialogPrompts prompts;
    FormatChooserFunction chooseFormat;
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
