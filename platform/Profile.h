// Profile: INI-format files read and written one key at a time (the private-profile rules), thread-safe.
// Writes go to a process-wide cache and reach the disk at ProfileFlush, as one atomic rewrite of the file.
// Reads see the caller's own unflushed writes, and notice when another process changed a file.
//
//   ProfileWrite(path, "file", "priority", "High");
//   if (!ProfileFlush(path)) { /* tell the user: the record was not saved */ }
#pragma once

#include <string>
#include <string_view>

// At most this many bytes of a value are seen by a read (cut on a UTF-8 character boundary).
inline constexpr size_t kProfileValueLimit = 258;

// The value of `key` in `section` of the file, or `defaultValue` when the file, section or key is missing.
// Section and key names match without regard to ASCII case.
std::string ProfileRead(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view defaultValue);

// Sets the value, creating section and key as needed. False when a name cannot be stored so that it reads
// back (empty, a line break, ']' in a section or '=' in a key name); line breaks in the value become blanks.
[[nodiscard]] bool ProfileWrite(const std::string& path, std::string_view section, std::string_view key,
                                std::string_view value);

// Writes the file's cached changes to disk atomically. True when nothing was pending or the rewrite succeeded;
// on failure the changes stay cached, and a later flush tries again.
[[nodiscard]] bool ProfileFlush(const std::string& path);

// Flushes every file with pending changes; true when all succeeded.
[[nodiscard]] bool ProfileFlushAll();

// Drops the cached copy of a file and any unflushed change to it: for a file that is deleted or moved away,
// so that no later flush brings it back.
void ProfileForget(const std::string& path);
