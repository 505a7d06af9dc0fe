// StatusFile: the status files ("s<user id>.sta") that the typist side leaves for this user, and their merging
// into the "sendstatus" of the sent dictations' records in "Sent Files/". The bytes come from outside: every
// size is checked against the file's length and nothing in them is used as a path.
//
// Layout, little-endian: u32 version (0; any other value: the file is not ours to read), then records of
// 20 bytes: u32 dictation number, 16 bytes of single-byte text (at most 15 characters are used).
//
//   const StatusMergeResult merged = ApplyStatusFile(localCopy, context.sentFolder);
//   if (merged.fileRead) RemoveFile(localCopy);
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr size_t kStatusHeaderSize = 4;
inline constexpr size_t kStatusRecordSize = 20;
inline constexpr size_t kStatusTextSize = 16;
// Status files larger than this are not read (about 3.3 million records).
inline constexpr size_t kStatusFileLimit = 64u << 20;

struct StatusRecord {
    uint32_t number = 0;
    std::string text; // UTF-8, at most 15 single-byte characters; control characters shown as blanks
    bool operator==(const StatusRecord&) const = default;
};

// "s%.7ld.sta" of the user id: user 42 gives "s0000042.sta".
std::string StatusFileName(int64_t userId);

// The records of a status file's bytes, in file order; nothing when the header is missing or its version is
// not 0. Bytes after the last whole record are ignored.
std::optional<std::vector<StatusRecord>> ParseStatusBytes(std::string_view bytes);

// The records of a status file; empty when it is missing, unreadable, too large or not version 0.
std::vector<StatusRecord> ReadStatusFile(const std::string& path);

struct StatusMergeResult {
    bool fileRead = false;     // the file was read and is a version-0 status file (it may hold no record)
    size_t records = 0;        // records in the file
    size_t matched = 0;        // sent dictations whose number appears in the file
    size_t recordsWritten = 0; // records whose "sendstatus" changed and was written
    bool allWritten = true;    // false when a changed record could not be written to disk
};

// Merges the status records into the ".dat" records of `sentFolder` whose "number" matches: the last matching
// record of the file wins. A record whose status is already that text is not written; each changed record is
// rewritten once. A number that matches no dictation changes nothing.
StatusMergeResult ApplyStatusFile(const std::string& path, const std::string& sentFolder);

// The same for records already read.
StatusMergeResult ApplyStatusRecords(const std::vector<StatusRecord>& records, const std::string& sentFolder);
