// StatusPickup: collects this user's status file from a recipient's folder or FTP directory and merges it into
// the sent dictations. A status file is removed from its place only after it was read and merged; on an FTP
// server it is first renamed to a name of its own, so records the typist side writes meanwhile go to a new file.
// Runs on the calling worker thread (send queue or status worker).
//
//   const StatusPickupResult picked = PickUpFolderStatus(recipient.Text(RecipientField::Folder), userId, sent);
#pragma once

#include "send/SendContext.h"
#include "send/StatusFile.h"

#include <cstddef>
#include <cstdint>
#include <string>

class FileTransfer;

enum class StatusPickupOutcome {
    Merged,       // read and merged, then removed from its place
    NoStatusFile, // nothing waiting: the normal case
    NotRead,      // present but unreadable or not a status file; left in place
    NotRemoved,   // merged, but could not be removed (it will be merged again, which changes nothing)
    Failed,       // the fetch failed (network); the file stays on the server
    Stopped       // the stop hook ended it
};

struct StatusPickupResult {
    StatusPickupOutcome outcome = StatusPickupOutcome::NoStatusFile;
    StatusMergeResult merge; // summed over the files merged
    size_t filesMerged = 0;  // status files read and merged (a folder may hold one left by an interrupted pick-up)
};

// The recipient's folder with trailing blanks, '\\' and '/' removed.
std::string TrimmedFolder(std::string_view folder);

// The status file of `userId` in `folder` (trailing blanks and slashes removed): read, merge, then delete it.
StatusPickupResult PickUpFolderStatus(std::string_view folder, int64_t userId, const std::string& sentFolder);

// The status file of `userId` in the current directory of a connected session: renamed on the server to a
// unique name, fetched into a private temporary file (mode 0600) in the program's folder, merged, then deleted
// on the server. Renamed files an earlier pick-up left on the server (it ended before deleting them) are found in
// the directory's listing and merged first. The local copies are removed on every path.
StatusPickupResult PickUpFtpStatus(FileTransfer& ftp, int64_t userId, const SendContext& context);
