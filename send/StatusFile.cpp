// StatusFile: reading the typist side's status files and merging them into the sent dictations' records.
#include "send/StatusFile.h"

#include "platform/FileOps.h"
#include "platform/LFile.h"
#include "platform/WaveFormatRecord.h"
#include "send/SingleByteText.h"
#include "store/DictationName.h"
#include "store/IniValues.h"
#include "store/LDatFile.h"
#include "store/RecordKeys.h"

#include <cinttypes>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unordered_map>

namespace {

// The text as the record file keeps it, so that an unchanged status is recognised: control characters become
// blanks, blanks at both ends go, and one pair of enclosing double quotes (which a reader drops) is removed.
std::string StoredForm(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    for (;;) {
        const size_t first = text.find_first_not_of(' ');
        if (first == std::string::npos)
            return {};
        text = text.substr(first, text.find_last_not_of(' ') - first + 1);
        if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
            text = text.substr(1, text.size() - 2);
        else
            return text;
    }
}

// The file's bytes, at most `limit`; nothing when it is not a regular file or cannot be read. Opened without
// waiting, so a pipe or device planted under the name cannot block the worker.
std::optional<std::string> ReadRegularFile(const std::string& path, size_t limit) {
    LFile file = LFile::Open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (!file.IsOpen())
        return std::nullopt;
    struct stat info {};
    if (::fstat(file.Descriptor(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0 ||
        static_cast<uint64_t>(info.st_size) > limit)
        return std::nullopt;
    std::string bytes(static_cast<size_t>(info.st_size), '\0');
    const int64_t got = bytes.empty() ? 0 : file.Read(bytes.data(), bytes.size());
    if (got < 0)
        return std::nullopt;
    bytes.resize(static_cast<size_t>(got)); // a file that shrank meanwhile: the records read so far
    return bytes;
}

bool IsRecordName(const std::string& name) {
    return name.size() > kRecordExtension.size() && name.front() != '.' &&
           name.compare(name.size() - kRecordExtension.size(), kRecordExtension.size(), kRecordExtension) == 0;
}

} // namespace

std::string StatusFileName(int64_t userId) {
    char name[32];
    std::snprintf(name, sizeof name, "s%.7" PRId64 ".sta", userId);
    return name;
}

std::optional<std::vector<StatusRecord>> ParseStatusBytes(std::string_view bytes) {
    if (bytes.size() < kStatusHeaderSize)
        return std::nullopt;
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    if (ReadLe32(data) != 0)
        return std::nullopt;
    const size_t count = (bytes.size() - kStatusHeaderSize) / kStatusRecordSize;
    std::vector<StatusRecord> records;
    records.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* record = data + kStatusHeaderSize + i * kStatusRecordSize;
        StatusRecord status;
        status.number = ReadLe32(record);
        // The 16th byte counts as the terminator whatever it holds.
        status.text = StoredForm(ReadSingleByteField(std::span<const uint8_t>(record + 4, kStatusTextSize - 1)));
        records.push_back(std::move(status));
    }
    return records;
}

std::vector<StatusRecord> ReadStatusFile(const std::string& path) {
    const std::optional<std::string> bytes = ReadRegularFile(path, kStatusFileLimit);
    if (!bytes)
        return {};
    return ParseStatusBytes(*bytes).value_or(std::vector<StatusRecord>{});
}

StatusMergeResult ApplyStatusFile(const std::string& path, const std::string& sentFolder) {
    const std::optional<std::string> bytes = ReadRegularFile(path, kStatusFileLimit);
    if (!bytes)
        return {};
    const std::optional<std::vector<StatusRecord>> records = ParseStatusBytes(*bytes);
    if (!records)
        return {};
    return ApplyStatusRecords(*records, sentFolder);
}

StatusMergeResult ApplyStatusRecords(const std::vector<StatusRecord>& records, const std::string& sentFolder) {
    StatusMergeResult result;
    result.fileRead = true;
    result.records = records.size();
    if (records.empty())
        return result;

    // The last record of a number wins.
    std::unordered_map<uint32_t, const std::string*> latest;
    latest.reserve(records.size());
    for (const StatusRecord& record : records)
        latest[record.number] = &record.text;

    const std::optional<std::vector<std::string>> names = ListFolder(sentFolder);
    if (!names)
        return result;
    for (const std::string& name : *names) {
        if (!IsRecordName(name))
            continue;
        const std::string recordPath = JoinPath(sentFolder, name);
        // Dictation numbers start at 1: a record without one never takes a status.
        const int32_t number = ReadIntValue(recordPath, RecordKeys::kNumber);
        if (number <= 0)
            continue;
        const auto found = latest.find(static_cast<uint32_t>(number));
        if (found == latest.end())
            continue;
        ++result.matched;
        const std::string& text = *found->second;
        if (ReadStringValue(recordPath, RecordKeys::kSendStatus) == text)
            continue;
        LDatFile record(recordPath);
        if (WriteStringValue(recordPath, RecordKeys::kSendStatus, text) && record.Flush()) {
            ++result.recordsWritten;
        } else {
            result.allWritten = false; // the change stays cached; a later flush of the record tries again
        }
    }
    return result;
}
