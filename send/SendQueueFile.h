// SendQueueFile: the entries of the send queue file "bgsend.dat" (section "bgsend": "count", "file%d",
// "sendto%d"), read and rewritten through the profile cache; every change reaches the disk as one atomic rewrite
// before the call returns, or is dropped from the cache. Not locked: the queue serialises its calls.
//
//   SendQueueFile file(programFolder + "bgsend.dat");
//   if (!file.Append({sentWavePath, 2})) { /* nothing was queued */ }
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct QueueEntry {
    std::string wavePath;   // "file%d"
    int recipientIndex = 0; // "sendto%d"
    bool operator==(const QueueEntry&) const = default;
};

class SendQueueFile {
public:
    // A count beyond this is taken as damage and cut to it.
    static constexpr int kMaxCount = 10000;

    explicit SendQueueFile(std::string path);

    const std::string& Path() const { return m_path; }

    // "count": read with default 0, negative counts as 0, at most kMaxCount.
    int Count() const;
    // Entry `index` as stored ("file%d" default "", "sendto%d" default 0).
    QueueEntry Entry(int index) const;
    // Entries 0 .. Count() - 1.
    std::vector<QueueEntry> Entries() const;

    // Writes "count" and flushes; false when it could not be stored (the change is dropped).
    [[nodiscard]] bool WriteCount(int count);
    // Writes the entry at index Count(), then the count one higher, in one rewrite.
    [[nodiscard]] bool Append(const QueueEntry& entry);
    // Makes `entries` the whole queue in one rewrite; keys of former entries beyond them are emptied.
    [[nodiscard]] bool Replace(const std::vector<QueueEntry>& entries);

private:
    bool WriteEntry(int index, const QueueEntry& entry);
    bool Flush();

    std::string m_path;
};

// Whether `path` names a wave file (".wav", any case) directly inside `sentFolder` (which ends in '/'), with a
// name that is not empty, holds no control character and is not one of our hidden temporary files.
bool IsSentWavePath(std::string_view path, std::string_view sentFolder);
