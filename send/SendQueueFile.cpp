#include "send/SendQueueFile.h"

#include "platform/Profile.h"
#include "store/IniValues.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace {

constexpr std::string_view kSection = "bgsend";

std::string FileKey(int index) {
    return "file" + std::to_string(index);
}
std::string SendToKey(int index) {
    return "sendto" + std::to_string(index);
}

} // namespace

SendQueueFile::SendQueueFile(std::string path) : m_path(std::move(path)) {}

int SendQueueFile::Count() const {
    // The stored text is looked at up to 18 characters, as its writers never store more.
    const std::string text = ProfileRead(m_path, kSection, "count", "0").substr(0, 18);
    return std::clamp(ParseIntText(text), 0, kMaxCount);
}

QueueEntry SendQueueFile::Entry(int index) const {
    QueueEntry entry;
    entry.wavePath = ProfileRead(m_path, kSection, FileKey(index), "");
    entry.recipientIndex = ParseIntText(ProfileRead(m_path, kSection, SendToKey(index), "0").substr(0, 18));
    return entry;
}

std::vector<QueueEntry> SendQueueFile::Entries() const {
    std::vector<QueueEntry> entries;
    const int count = Count();
    entries.reserve(static_cast<size_t>(count));
    for (int index = 0; index < count; ++index)
        entries.push_back(Entry(index));
    return entries;
}

bool SendQueueFile::WriteCount(int count) {
    if (!WriteIntValue(m_path, kSection, "count", count)) {
        ProfileForget(m_path);
        return false;
    }
    return Flush();
}

bool SendQueueFile::Append(const QueueEntry& entry) {
    const int count = Count();
    if (count >= kMaxCount)
        return false;
    if (!WriteEntry(count, entry) || !WriteIntValue(m_path, kSection, "count", count + 1)) {
        ProfileForget(m_path);
        return false;
    }
    return Flush();
}

bool SendQueueFile::Replace(const std::vector<QueueEntry>& entries) {
    const int former = Count();
    const int count = static_cast<int>(std::min<size_t>(entries.size(), kMaxCount));
    bool written = true;
    for (int index = 0; index < count && written; ++index)
        written = WriteEntry(index, entries[static_cast<size_t>(index)]);
    // Former entries beyond the new end are emptied where they hold something; a damaged count may claim far more
    // entries than the file has, and writing keys for those would only grow the file.
    for (int index = count; index < former && written; ++index) {
        if (!ProfileRead(m_path, kSection, FileKey(index), "").empty())
            written = ProfileWrite(m_path, kSection, FileKey(index), "");
        if (written && !ProfileRead(m_path, kSection, SendToKey(index), "").empty())
            written = ProfileWrite(m_path, kSection, SendToKey(index), "");
    }
    if (!written || !WriteIntValue(m_path, kSection, "count", count)) {
        ProfileForget(m_path);
        return false;
    }
    return Flush();
}

bool SendQueueFile::WriteEntry(int index, const QueueEntry& entry) {
    return ProfileWrite(m_path, kSection, FileKey(index), entry.wavePath) &&
           WriteIntValue(m_path, kSection, SendToKey(index), entry.recipientIndex);
}

bool SendQueueFile::Flush() {
    if (ProfileFlush(m_path))
        return true;
    // A failed rewrite must not reach the disk later as if it had succeeded.
    ProfileForget(m_path);
    return false;
}

bool IsSentWavePath(std::string_view path, std::string_view sentFolder) {
    if (sentFolder.empty() || sentFolder.back() != '/' || path.size() <= sentFolder.size() ||
        path.substr(0, sentFolder.size()) != sentFolder)
        return false;
    const std::string_view name = path.substr(sentFolder.size());
    constexpr std::string_view kExtension = ".wav";
    // Control characters never occur in dictation names, and the queue file could not keep some of them.
    const bool hasControl = std::any_of(name.begin(), name.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7f;
    });
    if (name.size() <= kExtension.size() || name.front() == '.' || name.find('/') != std::string_view::npos ||
        hasControl)
        return false;
    const std::string_view extension = name.substr(name.size() - kExtension.size());
    return std::equal(extension.begin(), extension.end(), kExtension.begin(),
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}
