// RecipientList: the typist recipients as a whole: files "Recipient 0.dat" .. "Recipient <sendcount - 1>.dat" in
// the program's folder with the settings keys "sendcount" and "senddefault"; choosing the recipient of a send and
// deleting one with the renumbering of those after it. Read afresh on every call: nothing is cached.
//
//   RecipientList recipients(programFolder, settingsFile);
//   if (recipients.Count() > 0) { const TypistRecipient to = recipients.Load(recipients.SendIndex()); ... }
#pragma once

#include "send/TypistRecipient.h"

#include <functional>
#include <string>

enum class RecipientDeleteResult {
    Deleted,
    NoSuchRecipient,   // the index is not below "sendcount"; nothing changed
    RenumberFailed,    // a file could not be moved; every file is back where it was and nothing is deleted
    SettingsNotSaved,  // the files were renumbered but "sendcount"/"senddefault" could not be written
    QueueNotRenumbered // all done except that the queue's renumbering reported failure
};

class RecipientList {
public:
    // Told the deleted index once the files and settings are renumbered, so that the send queue can renumber
    // the recipient indexes of its entries; returns false when it could not.
    using RenumberFunction = std::function<bool(int deletedIndex)>;

    RecipientList(std::string programFolder, std::string settingsFile);

    // "sendcount"; a negative value counts as 0.
    int Count() const;
    // "senddefault" as stored (it names no recipient when it is not below Count()).
    int DefaultIndex() const;
    // The recipient of a default send: "senddefault" when it names a recipient, else 0.
    int SendIndex() const;

    std::string Path(int index) const { return RecipientPath(m_programFolder, index); }
    // The default record with the file of `index` read over it.
    TypistRecipient Load(int index) const;
    // The lines of a recipient list, index by index, the default one marked.
    std::vector<std::string> DisplayTexts() const;

    // Deletes the recipient and moves each later file down by one index. "sendcount" goes down by one;
    // "senddefault" follows its recipient down by one when it was after the deleted one, and becomes 0 when the
    // default itself was deleted. A file that cannot be moved stops the deletion: the files already moved are
    // moved back and the deleted recipient is restored.
    RecipientDeleteResult Delete(int index, const RenumberFunction& renumberQueue = {});

private:
    std::string HeldPath(int index) const;

    std::string m_programFolder;
    std::string m_settingsFile;
};
