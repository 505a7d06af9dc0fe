// DictationPackage: the ".dct" package writer.
#include "send/DictationPackage.h"

#include "platform/FileOps.h"
#include "platform/LFile.h"
#include "platform/WaveFormatRecord.h"
#include "send/SingleByteText.h"
#include "store/DictationStore.h"
#include "store/IniValues.h"
#include "store/RecordKeys.h"
#include "store/SettingsKeys.h"

#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <limits>
#include <optional>
#include <vector>

namespace {

constexpr size_t kLengthOffset = 2;
constexpr size_t kCopyBlock = 1 << 16;

void AppendString(std::vector<uint8_t>& bytes, std::string_view utf8) {
    const std::string text = SingleByteFitted(utf8, DictationPackage::kStringLimit);
    bytes.push_back(static_cast<uint8_t>(text.size()));
    bytes.insert(bytes.end(), text.begin(), text.end());
}

std::string_view StemOf(std::string_view path) {
    std::string_view name = FileNameOf(path);
    const size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? name : name.substr(0, dot);
}

// Removes the temporary file unless the package was completed.
class PartFile {
public:
    explicit PartFile(std::string path) : m_path(std::move(path)) {}
    ~PartFile() {
        if (!m_kept)
            (void)RemoveFile(m_path);
    }
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;
    const std::string& Path() const { return m_path; }
    void Keep() { m_kept = true; }

private:
    std::string m_path;
    bool m_kept = false;
};

} // namespace

DictationPackage::DictationPackage(std::string settingsFile, std::function<int64_t()> now)
    : m_settingsFile(std::move(settingsFile)), m_now(std::move(now)) {}

std::string DictationPackage::FileName(int32_t userId, int32_t number) {
    char name[64];
    std::snprintf(name, sizeof name, "dct%.5ld-%.5ld.dct", static_cast<long>(userId), static_cast<long>(number));
    return name;
}

uint8_t DictationPackage::PriorityByte(std::string_view priority) {
    if (priority.starts_with('H'))
        return kPriorityHigh;
    if (priority.starts_with('L'))
        return kPriorityLow;
    return kPriorityNormal;
}

PackageResult DictationPackage::Write(const std::string& sentWavePath, const std::string& audioPath) const {
    const std::string folder(FolderOf(sentWavePath));
    const std::string name(StemOf(sentWavePath));
    const DictationStore store(folder, folder, m_settingsFile);
    const DictationRecord record = store.ReadRecord(StoreFolder::Sent, name);
    const std::optional<std::string> notes = store.LoadNotes(StoreFolder::Sent, name);
    if (!notes)
        return {PackageStatus::NotesUnreadable, {}};

    LReadFile audio(audioPath);
    const int64_t audioSize = audio.IsOpen() ? audio.Size() : -1;
    if (audioSize < 0)
        return {PackageStatus::AudioUnreadable, {}};

    const int32_t userId = ReadIntValue(m_settingsFile, SettingsKeys::kUserId);
    int64_t date = record.date;
    if (date < 1 || date > std::numeric_limits<uint32_t>::max())
        date = m_now ? m_now() : static_cast<int64_t>(std::time(nullptr));

    std::vector<uint8_t> header;
    AppendLe16(header, 0);
    AppendLe32(header, 0); // total length, patched once the audio is in
    AppendLe32(header, 0);
    AppendLe32(header, static_cast<uint32_t>(userId));
    AppendLe32(header, static_cast<uint32_t>(record.number));
    AppendLe32(header, static_cast<uint32_t>(date));
    AppendString(header, name);
    AppendString(header, ReadStringValue(m_settingsFile, SettingsKeys::kUser));
    AppendString(header, ReadStringValue(m_settingsFile, SettingsKeys::kUserEmail));
    for (const StringKey& key : UserKeys::kDetails)
        AppendString(header, ReadStringValue(m_settingsFile, key));
    header.push_back(PriorityByte(record.priority));
    // The notes go in the same single-byte text as every other string (one byte per character, so the
    // limit on the notes still holds).
    const std::string notesText = Utf8ToSingleByte(*notes);
    AppendLe32(header, static_cast<uint32_t>(notesText.size()));
    header.insert(header.end(), notesText.begin(), notesText.end());

    const uint64_t total = header.size() + static_cast<uint64_t>(audioSize);
    if (total > std::numeric_limits<uint32_t>::max())
        return {PackageStatus::TooLarge, {}};
    header[kLengthOffset] = static_cast<uint8_t>(total);
    header[kLengthOffset + 1] = static_cast<uint8_t>(total >> 8);
    header[kLengthOffset + 2] = static_cast<uint8_t>(total >> 16);
    header[kLengthOffset + 3] = static_cast<uint8_t>(total >> 24);

    const std::string fileName = FileName(userId, record.number);
    const std::string target = JoinPath(folder, fileName);
    PartFile part(JoinPath(folder, "." + fileName + ".part"));
    {
        LWriteFile out(part.Path());
        if (!out.IsOpen() || !out.Write(header.data(), header.size()))
            return {PackageStatus::WriteFailed, {}};
        std::vector<char> block(kCopyBlock);
        int64_t copied = 0;
        while (copied < audioSize) {
            const int64_t read = audio.Read(block.data(), block.size());
            if (read < 0)
                return {PackageStatus::AudioUnreadable, {}};
            if (read == 0)
                break;
            if (!out.Write(block.data(), static_cast<size_t>(read)))
                return {PackageStatus::WriteFailed, {}};
            copied += read;
        }
        // An audio file that changed size while being copied would make the length field wrong.
        if (copied != audioSize || audio.Read(block.data(), 1) != 0)
            return {PackageStatus::AudioUnreadable, {}};
        if (!out.Sync())
            return {PackageStatus::WriteFailed, {}};
    }
    if (std::rename(part.Path().c_str(), target.c_str()) != 0)
        return {PackageStatus::WriteFailed, {}};
    part.Keep();
    return {PackageStatus::Written, target};
}
