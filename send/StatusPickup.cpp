// StatusPickup: taking this user's status file from a folder or an FTP directory and merging it.
#include "send/StatusPickup.h"

#include "platform/FileOps.h"
#include "platform/FileTransfer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <unistd.h>

namespace {

constexpr std::string_view kTakenSuffix = ".tmp";

// "s0000042.sta.<16 hex digits>.tmp": the name a status file is moved to while it is read and merged.
std::string TakenName(std::string_view statusName) {
    std::random_device device;
    const uint64_t value = (static_cast<uint64_t>(device()) << 32) ^ device();
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(value));
    return std::string(statusName) + "." + hex + std::string(kTakenSuffix);
}

bool IsTakenName(std::string_view name, std::string_view statusName) {
    return name.size() > statusName.size() + 1 + kTakenSuffix.size() && name.starts_with(statusName) &&
           name[statusName.size()] == '.' && name.ends_with(kTakenSuffix);
}

// The names among `names` that an earlier pick-up took and did not remove (it ended first), in a fixed order.
std::vector<std::string> LeftoverTakenNames(const std::vector<std::string>& names, std::string_view statusName) {
    std::vector<std::string> taken;
    for (const std::string& name : names)
        if (IsTakenName(name, statusName))
            taken.push_back(name);
    std::sort(taken.begin(), taken.end());
    return taken;
}

// Merges the status file at `path`, then removes its original with `removeOriginal`; an original whose copy could
// not be read stays.
StatusPickupResult MergeThenRemove(const std::string& path, const std::string& sentFolder,
                                   const std::function<bool()>& removeOriginal) {
    StatusPickupResult result;
    result.merge = ApplyStatusFile(path, sentFolder);
    if (!result.merge.fileRead) {
        result.outcome = StatusPickupOutcome::NotRead;
        return result;
    }
    result.filesMerged = 1;
    result.outcome = removeOriginal() ? StatusPickupOutcome::Merged : StatusPickupOutcome::NotRemoved;
    return result;
}

// Merges one status file of a folder, then removes it.
StatusPickupResult MergeAndRemove(const std::string& path, const std::string& sentFolder) {
    return MergeThenRemove(path, sentFolder, [&path] { return RemoveFile(path); });
}

// The worse of two outcomes, so one result can stand for several files.
StatusPickupOutcome Worse(StatusPickupOutcome a, StatusPickupOutcome b) {
    auto rank = [](StatusPickupOutcome outcome) {
        switch (outcome) {
        case StatusPickupOutcome::NoStatusFile:
            return 0;
        case StatusPickupOutcome::Merged:
            return 1;
        case StatusPickupOutcome::NotRemoved:
            return 2;
        case StatusPickupOutcome::NotRead:
            return 3;
        case StatusPickupOutcome::Failed:
            return 4;
        case StatusPickupOutcome::Stopped:
            return 5;
        }
        return 0;
    };
    return rank(a) >= rank(b) ? a : b;
}

void Add(StatusPickupResult& total, const StatusPickupResult& part) {
    total.outcome = Worse(total.outcome, part.outcome);
    total.merge.fileRead = total.merge.fileRead || part.merge.fileRead;
    total.merge.records += part.merge.records;
    total.merge.matched += part.merge.matched;
    total.merge.recordsWritten += part.merge.recordsWritten;
    total.merge.allWritten = total.merge.allWritten && part.merge.allWritten;
    total.filesMerged += part.filesMerged;
}

// A private folder (mode 0700) in the program's folder for one fetched status file; removed with its content.
class PrivateFolder {
public:
    explicit PrivateFolder(const std::string& programFolder) {
        std::string pattern = JoinPath(programFolder, ".status-XXXXXX");
        if (::mkdtemp(pattern.data()) != nullptr)
            m_path = std::move(pattern);
    }
    ~PrivateFolder() {
        if (m_path.empty())
            return;
        if (const auto names = ListFolder(m_path))
            for (const std::string& name : *names)
                (void)RemoveFile(JoinPath(m_path, name));
        ::rmdir(m_path.c_str());
    }
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;

    bool IsReady() const { return !m_path.empty(); }
    std::string File(std::string_view name) const { return JoinPath(m_path, name); }

private:
    std::string m_path;
};

StatusPickupOutcome FetchFailure(FtpResult result) {
    switch (result) {
    case FtpResult::NoSuchFile:
        return StatusPickupOutcome::NoStatusFile;
    case FtpResult::Stopped:
        return StatusPickupOutcome::Stopped;
    default:
        return StatusPickupOutcome::Failed;
    }
}

StatusPickupResult Outcome(StatusPickupOutcome outcome) {
    StatusPickupResult result;
    result.outcome = outcome;
    return result;
}

// Merges `localCopy`, fetched from `remoteName`, then deletes that on the server; a copy that could not be read
// leaves it there.
StatusPickupResult MergeAndDeleteRemote(FileTransfer& ftp, std::string_view remoteName, const std::string& localCopy,
                                        const std::string& sentFolder) {
    return MergeThenRemove(localCopy, sentFolder, [&] { return ftp.DeleteFile(remoteName) == FtpResult::Done; });
}

StatusPickupResult FetchMergeAndDeleteRemote(FileTransfer& ftp, std::string_view remoteName,
                                             const std::string& localCopy, const std::string& sentFolder) {
    if (const FtpResult fetched = ftp.GetFile(remoteName, localCopy); fetched != FtpResult::Done)
        return Outcome(FetchFailure(fetched));
    return MergeAndDeleteRemote(ftp, remoteName, localCopy, sentFolder);
}

// The waiting status file: looked at, renamed to a name of its own, fetched again, merged and deleted.
StatusPickupResult PickUpWaitingFtpStatus(FileTransfer& ftp, const std::string& statusName, const PrivateFolder& local,
                                          const std::string& sentFolder) {
    // A look first: a file that is not a status file of ours is left as it is, under its own name.
    const std::string firstCopy = local.File("waiting.sta");
    if (const FtpResult fetched = ftp.GetFile(statusName, firstCopy); fetched != FtpResult::Done)
        return Outcome(FetchFailure(fetched));
    if (!ParseStatusBytes(ReadFileBytes(firstCopy, kStatusFileLimit + 1).value_or(std::string())))
        return Outcome(StatusPickupOutcome::NotRead);

    // Moved aside on the server, so that records the typist side writes meanwhile go to a new file.
    const std::string takenName = TakenName(statusName);
    switch (const FtpResult moved = ftp.RenameRemote(statusName, takenName)) {
    case FtpResult::Done:
        // A copy changed between the fetches is not read and stays on the server.
        return FetchMergeAndDeleteRemote(ftp, takenName, local.File("taken.sta"), sentFolder);
    case FtpResult::NoSuchFile:
        return Outcome(StatusPickupOutcome::NoStatusFile); // another pick-up took it meanwhile
    case FtpResult::Refused:
        // A server that allows no renaming: merge the copy already fetched and delete the file.
        return MergeAndDeleteRemote(ftp, statusName, firstCopy, sentFolder);
    default:
        return Outcome(FetchFailure(moved));
    }
}

} // namespace

std::string TrimmedFolder(std::string_view folder) {
    while (!folder.empty() && (folder.back() == ' ' || folder.back() == '\\' || folder.back() == '/'))
        folder.remove_suffix(1);
    return std::string(folder);
}

StatusPickupResult PickUpFolderStatus(std::string_view folder, int64_t userId, const std::string& sentFolder) {
    StatusPickupResult total;
    const std::string place = TrimmedFolder(folder);
    if (place.empty())
        return total;
    const std::string statusName = StatusFileName(userId);

    // Files taken by an earlier pick-up that ended before it removed them are merged first, the waiting
    // file last, so its records win.
    if (const auto names = ListFolder(place))
        for (const std::string& name : LeftoverTakenNames(*names, statusName))
            Add(total, MergeAndRemove(JoinPath(place, name), sentFolder));

    // Moved aside first, so that records the typist side writes meanwhile go to a new file and are not lost
    // with this one.
    const std::string waiting = JoinPath(place, statusName);
    const std::string takenPath = JoinPath(place, TakenName(statusName));
    switch (RenameNoReplace(waiting, takenPath)) {
    case RenameResult::SourceMissing:
        return total;
    case RenameResult::Renamed: {
        StatusPickupResult part = MergeAndRemove(takenPath, sentFolder);
        // Not a status file of ours: put back under its name unless a new one took it meanwhile.
        if (part.outcome == StatusPickupOutcome::NotRead)
            (void)RenameNoReplace(takenPath, waiting);
        Add(total, part);
        return total;
    }
    case RenameResult::TargetExists:
    case RenameResult::Failed:
        // A folder we may read but not change: merge in place (removing it will fail and be reported).
        if (PathExists(waiting))
            Add(total, MergeAndRemove(waiting, sentFolder));
        return total;
    }
    return total;
}

StatusPickupResult PickUpFtpStatus(FileTransfer& ftp, int64_t userId, const SendContext& context) {
    StatusPickupResult total;
    PrivateFolder local(context.programFolder);
    if (!local.IsReady())
        return Outcome(StatusPickupOutcome::Failed);
    const std::string statusName = StatusFileName(userId);

    // Files taken by an earlier pick-up that ended before it deleted them are merged first, the waiting file
    // last, so its records win. A server that will not list its directory still has its waiting file picked up.
    std::vector<std::string> names;
    if (ftp.ListNames(names) == FtpResult::Stopped)
        return Outcome(StatusPickupOutcome::Stopped);
    for (const std::string& name : LeftoverTakenNames(names, statusName))
        Add(total, FetchMergeAndDeleteRemote(ftp, name, local.File("leftover.sta"), context.sentFolder));
    Add(total, PickUpWaitingFtpStatus(ftp, statusName, local, context.sentFolder));
    return total;
}
