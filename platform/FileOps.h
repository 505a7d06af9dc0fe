// FileOps: whole-file operations that do not lose data: atomic rewrites, no-replace renames, checked listings.
// Paths are UTF-8 byte strings; folders given to these functions may or may not end with '/'.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

// Replaces `path` with `bytes` as one step: a temporary file in the same folder is written, flushed to disk and
// renamed over the target, so a crash or a full disk leaves either the old or the new file, never a cut one.
// An existing file keeps its mode; a new one gets `newFileMode` (less the umask).
[[nodiscard]] bool WriteFileAtomically(const std::string& path, std::string_view bytes, mode_t newFileMode = 0666);

// The mode a file created with `requested` gets under the process's umask. The umask is read without changing
// it, so other threads creating files meanwhile are not affected.
mode_t ModeUnderUmask(mode_t requested);

enum class RenameResult { Renamed, SourceMissing, TargetExists, Failed };

// Renames `from` to `to` unless `to` already exists; never replaces a file.
[[nodiscard]] RenameResult RenameNoReplace(const std::string& from, const std::string& to);

// The file's bytes (at most `maxBytes`), or nothing when it cannot be opened or read.
std::optional<std::string> ReadFileBytes(const std::string& path, size_t maxBytes = SIZE_MAX);

// Names (not paths) of the entries of `folder`, in directory order; nothing when the folder cannot be listed.
std::optional<std::vector<std::string>> ListFolder(const std::string& folder);

bool PathExists(const std::string& path);
bool IsFolder(const std::string& path);

// Creates the folder and any missing parents; true when it exists afterwards.
bool MakeFolders(const std::string& path);

// Removes a file; true when it is gone afterwards (a missing file counts as removed).
bool RemoveFile(const std::string& path);

// `folder` joined with `name` by exactly one '/'.
std::string JoinPath(std::string_view folder, std::string_view name);

// Text before the last '/' (with it), and after it.
std::string_view FolderOf(std::string_view path);
std::string_view FileNameOf(std::string_view path);
