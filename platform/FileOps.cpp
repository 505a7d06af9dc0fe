#include "platform/FileOps.h"

#include "platform/LFile.h"

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool SyncFolder(const std::string& folder) {
    LFile directory = LFile::Open(folder.empty() ? std::string(".") : folder, O_RDONLY | O_DIRECTORY);
    return directory.IsOpen() && directory.Sync();
}

} // namespace

mode_t ModeUnderUmask(mode_t requested) {
    // Linux shows the umask in /proc/self/status; setting and restoring it instead would briefly change it for
    // every thread of the process.
    static const mode_t mask = [] {
        std::unique_ptr<FILE, int (*)(FILE*)> status(std::fopen("/proc/self/status", "re"), &std::fclose);
        char line[256];
        unsigned value = 0;
        while (status && std::fgets(line, sizeof line, status.get()))
            if (std::sscanf(line, "Umask: %o", &value) == 1)
                return static_cast<mode_t>(value & 0777);
        return static_cast<mode_t>(022);
    }();
    return requested & ~mask & 07777;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, mode_t newFileMode) {
    const std::string folder(FolderOf(path));
    std::string temporary = JoinPath(folder, "." + std::string(FileNameOf(path)) + ".XXXXXX");
    LFile file(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!file.IsOpen())
        return false;

    struct stat existing {};
    const mode_t mode = ::stat(path.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : ModeUnderUmask(newFileMode);
    const bool written =
        ::fchmod(file.Descriptor(), mode) == 0 && file.Write(bytes.data(), bytes.size()) && file.Sync();
    file.Close();
    if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    SyncFolder(folder);
    return true;
}

RenameResult RenameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return RenameResult::Renamed;
    if (errno == EINVAL || errno == ENOSYS) {
        // The file system has no no-replace rename: a hard link fails on an existing target just the same.
        if (::link(from.c_str(), to.c_str()) == 0) {
            ::unlink(from.c_str());
            return RenameResult::Renamed;
        }
    }
    if (errno == EEXIST)
        return RenameResult::TargetExists;
    if (errno == ENOENT && !PathExists(from))
        return RenameResult::SourceMissing;
    return RenameResult::Failed;
}

std::optional<std::string> ReadFileBytes(const std::string& path, size_t maxBytes) {
    LReadFile file(path);
    if (!file.IsOpen())
        return std::nullopt;
    std::string bytes;
    const int64_t size = file.Size();
    if (size > 0)
        bytes.reserve(static_cast<size_t>(std::min<uint64_t>(static_cast<uint64_t>(size), maxBytes)));
    char chunk[65536];
    while (bytes.size() < maxBytes) {
        const int64_t got = file.Read(chunk, std::min(sizeof chunk, maxBytes - bytes.size()));
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        bytes.append(chunk, static_cast<size_t>(got));
    }
    return bytes;
}

std::optional<std::vector<std::string>> ListFolder(const std::string& folder) {
    std::unique_ptr<DIR, int (*)(DIR*)> directory(::opendir(folder.empty() ? "." : folder.c_str()), ::closedir);
    if (!directory)
        return std::nullopt;
    std::vector<std::string> names;
    errno = 0;
    while (const dirent* entry = ::readdir(directory.get())) {
        std::string_view name(entry->d_name);
        if (name != "." && name != "..")
            names.emplace_back(name);
        errno = 0;
    }
    if (errno != 0)
        return std::nullopt;
    return names;
}

bool PathExists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool MakeFolders(const std::string& path) {
    if (path.empty() || IsFolder(path))
        return !path.empty();
    std::string_view trimmed(path);
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.remove_suffix(1);
    std::string_view parent = FolderOf(trimmed);
    if (!parent.empty() && parent != "/" && !MakeFolders(std::string(parent)))
        return false;
    return ::mkdir(std::string(trimmed).c_str(), 0777) == 0 || IsFolder(path);
}

bool RemoveFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!path.empty() && path.back() != '/')
        path += '/';
    path += name;
    return path;
}

std::string_view FolderOf(std::string_view path) {
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
}

std::string_view FileNameOf(std::string_view path) {
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}
