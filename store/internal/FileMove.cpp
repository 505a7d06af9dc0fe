#include "internal/FileMove.h"

#include "platform/FileOps.h"
#include "platform/LFile.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool OnOtherFileSystem(const std::string& from, const std::string& to) {
    struct stat source {};
    struct stat targetFolder {};
    const std::string folder(FolderOf(to));
    return ::stat(from.c_str(), &source) == 0 && ::stat(folder.empty() ? "." : folder.c_str(), &targetFolder) == 0 &&
           source.st_dev != targetFolder.st_dev;
}

MoveResult CopyThenRemove(const std::string& from, const std::string& to) {
    LReadFile source(from);
    if (!source.IsOpen())
        return errno == ENOENT ? MoveResult::SourceMissing : MoveResult::Failed;
    struct stat info {};
    if (::fstat(source.Descriptor(), &info) != 0 || !S_ISREG(info.st_mode))
        return MoveResult::Failed;

    std::string hiddenName(".");
    hiddenName.append(FileNameOf(to)).append(".XXXXXX");
    std::string temporary = JoinPath(FolderOf(to), hiddenName);
    LFile copy(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!copy.IsOpen())
        return MoveResult::Failed;
    bool copied = ::fchmod(copy.Descriptor(), info.st_mode & 07777) == 0;
    char chunk[65536];
    while (copied) {
        const int64_t got = source.Read(chunk, sizeof chunk);
        if (got <= 0) {
            copied = got == 0;
            break;
        }
        copied = copy.Write(chunk, static_cast<size_t>(got));
    }
    copied = copied && copy.Sync();
    copy.Close();
    if (!copied) {
        ::unlink(temporary.c_str());
        return MoveResult::Failed;
    }
    const RenameResult placed = RenameNoReplace(temporary, to);
    if (placed != RenameResult::Renamed) {
        ::unlink(temporary.c_str());
        return placed == RenameResult::TargetExists ? MoveResult::TargetExists : MoveResult::Failed;
    }
    if (::unlink(from.c_str()) != 0) {
        // The source stays, so the copy goes: one file, in its old place.
        ::unlink(to.c_str());
        return MoveResult::Failed;
    }
    return MoveResult::Moved;
}

} // namespace

MoveResult MoveFileNoReplace(const std::string& from, const std::string& to) {
    switch (RenameNoReplace(from, to)) {
    case RenameResult::Renamed:
        return MoveResult::Moved;
    case RenameResult::SourceMissing:
        return MoveResult::SourceMissing;
    case RenameResult::TargetExists:
        return MoveResult::TargetExists;
    case RenameResult::Failed:
        break;
    }
    return OnOtherFileSystem(from, to) ? CopyThenRemove(from, to) : MoveResult::Failed;
}
