#include "store/DictationStore.h"

#include "internal/FileMove.h"
#include "platform/FileOps.h"
#include "store/DictationDateText.h"
#include "store/DictationName.h"
#include "store/IniValues.h"
#include "store/RecordKeys.h"
#include "store/SettingsKeys.h"

#include <algorithm>
#include <array>
#include <climits>
#include <ctime>
#include <sys/stat.h>
#include <unordered_set>

namespace {

// The order in which a dictation's files move: the wave first, the record last.
constexpr std::array<std::string_view, 3> kFileOrder{kWaveExtension, kNotesExtension, kRecordExtension};

// Seconds a sent dictation is kept: 2000 × 2^32 tenths of a microsecond, 858993.4592 s; an age counts as older
// when it exceeds that, so from 858994 whole seconds on.
constexpr int64_t kSentKeepSeconds = (kSentKeepUnits << 32) / 10000000;

bool IsHidden(std::string_view entry) {
    return !entry.empty() && entry.front() == '.';
}

// The title of a folder entry "<title><extension>" that is not hidden; empty for any other entry.
std::string_view TitleOf(std::string_view entry, std::string_view extension) {
    if (IsHidden(entry) || entry.size() <= extension.size() || !entry.ends_with(extension))
        return {};
    return entry.substr(0, entry.size() - extension.size());
}

// The title of a dictation file (wave, notes or record) among the entries; empty for any other entry.
std::string_view DictationTitleOf(std::string_view entry) {
    for (const std::string_view extension : kFileOrder) {
        if (const std::string_view title = TitleOf(entry, extension); !title.empty())
            return title;
    }
    return {};
}

std::vector<std::string> SortedNoCase(std::vector<std::string> names) {
    std::vector<std::pair<std::string, std::string>> keyed;
    keyed.reserve(names.size());
    for (std::string& name : names) {
        std::string folded = FoldCase(name);
        keyed.emplace_back(std::move(folded), std::move(name));
    }
    std::sort(keyed.begin(), keyed.end());
    names.clear();
    for (auto& [folded, name] : keyed)
        names.push_back(std::move(name));
    return names;
}

std::vector<std::string> TitlesWith(const std::vector<std::string>& entries, std::string_view extension) {
    std::vector<std::string> titles;
    for (const std::string& entry : entries) {
        if (const std::string_view title = TitleOf(entry, extension); !title.empty())
            titles.emplace_back(title);
    }
    return SortedNoCase(std::move(titles));
}

// Cuts the text to at most `limit` bytes without splitting a UTF-8 character.
std::string_view CutUtf8(std::string_view text, size_t limit) {
    if (text.size() <= limit)
        return text;
    size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xc0) == 0x80)
        --end;
    return text.substr(0, end);
}

// Drops a UTF-8 character that a read cut short at the end of the text.
void DropCutCharacter(std::string& text) {
    size_t lead = text.size();
    size_t continuation = 0;
    while (lead > 0 && continuation < 4 && (static_cast<unsigned char>(text[lead - 1]) & 0xc0) == 0x80)
        --lead, ++continuation;
    if (lead == 0)
        return;
    const unsigned char byte = static_cast<unsigned char>(text[lead - 1]);
    const size_t expected = byte >= 0xf0 ? 3 : byte >= 0xe0 ? 2 : byte >= 0xc0 ? 1 : 0;
    if (continuation < expected)
        text.resize(lead - 1);
}

StoreResult ResultOf(NameCheck check) {
    switch (check) {
    case NameCheck::Usable:
        return StoreResult::Done;
    case NameCheck::Empty:
        return StoreResult::NameEmpty;
    case NameCheck::TooLong:
        return StoreResult::NameTooLong;
    case NameCheck::Invalid:
        return StoreResult::NameInvalid;
    }
    return StoreResult::NameInvalid;
}

} // namespace

DictationStore::DictationStore(std::string currentFolder, std::string sentFolder, std::string settingsFile,
                               StoreServices services)
    : m_currentFolder(std::move(currentFolder)), m_sentFolder(std::move(sentFolder)),
      m_settingsFile(std::move(settingsFile)), m_services(std::move(services)) {}

const std::string& DictationStore::FolderPath(StoreFolder folder) const {
    return folder == StoreFolder::Current ? m_currentFolder : m_sentFolder;
}

std::string DictationStore::PathOf(StoreFolder folder, std::string_view name, std::string_view extension) const {
    std::string path = JoinPath(FolderPath(folder), name);
    path += extension;
    return path;
}

std::string DictationStore::WavePath(StoreFolder folder, std::string_view name) const {
    return PathOf(folder, name, kWaveExtension);
}

std::string DictationStore::RecordPath(StoreFolder folder, std::string_view name) const {
    return PathOf(folder, name, kRecordExtension);
}

std::string DictationStore::NotesPath(StoreFolder folder, std::string_view name) const {
    return PathOf(folder, name, kNotesExtension);
}

std::string DictationStore::NameOfWave(std::string_view wavePath) {
    return std::string(TitleOf(FileNameOf(wavePath), kWaveExtension));
}

std::string DictationStore::RecordBesideWave(std::string_view wavePath) {
    const std::string name = NameOfWave(wavePath);
    return name.empty() ? std::string() : std::string(FolderOf(wavePath)) + name + std::string(kRecordExtension);
}

std::string DictationStore::NotesBesideWave(std::string_view wavePath) {
    const std::string name = NameOfWave(wavePath);
    return name.empty() ? std::string() : std::string(FolderOf(wavePath)) + name + std::string(kNotesExtension);
}

int64_t DictationStore::Now() const {
    return m_services.now ? m_services.now() : static_cast<int64_t>(std::time(nullptr));
}

bool DictationStore::HoldsUserEntries(std::string_view name) const {
    const std::string priority = ReadRecord(StoreFolder::Current, name).priority;
    if (!priority.empty() && priority != RecordKeys::kPriority.defaultValue)
        return true;
    const std::optional<std::string> notes = LoadNotes(StoreFolder::Current, name);
    return !notes || !notes->empty(); // notes that cannot be read are kept too
}

bool DictationStore::IsQueued(std::string_view name) const {
    return m_services.isQueued && m_services.isQueued(WavePath(StoreFolder::Sent, name));
}

bool DictationStore::HoldsName(const std::vector<std::string>& entries, std::string_view name,
                               std::string_view except) {
    const std::string folded = FoldCase(name);
    for (const std::string& entry : entries) {
        const std::string_view title = DictationTitleOf(entry);
        if (!title.empty() && title != except && FoldCase(title) == folded)
            return true;
    }
    return false;
}

std::optional<std::vector<std::string>> DictationStore::List() const {
    const std::optional<std::vector<std::string>> entries = ListFolder(m_currentFolder);
    if (!entries)
        return std::nullopt;
    return TitlesWith(*entries, kWaveExtension);
}

std::optional<std::vector<std::string>> DictationStore::Refresh(const std::vector<std::string>& inUse) {
    const std::optional<std::vector<std::string>> entries = ListFolder(m_currentFolder);
    if (!entries)
        return std::nullopt;
    std::vector<std::string> names = TitlesWith(*entries, kWaveExtension);
    std::unordered_set<std::string> listed;
    for (const std::string& name : names)
        listed.insert(FoldCase(name));
    std::unordered_set<std::string> used;
    for (const std::string& name : inUse) {
        used.insert(FoldCase(name));
        listed.insert(FoldCase(name));
    }
    std::erase_if(names, [&used](const std::string& name) { return used.contains(FoldCase(name)); });
    for (const std::string& entry : *entries) {
        std::string_view title = TitleOf(entry, kRecordExtension);
        if (title.empty())
            title = TitleOf(entry, kNotesExtension);
        if (title.empty() || listed.contains(FoldCase(title)))
            continue;
        // Notes typed, or a priority chosen, before anything was recorded are the user's: the dictation stays.
        if (HoldsUserEntries(title)) {
            names.emplace_back(title);
            listed.insert(FoldCase(title));
            continue;
        }
        RemoveFile(JoinPath(m_currentFolder, entry));
    }
    return SortedNoCase(std::move(names));
}

std::optional<std::vector<std::string>> DictationStore::ListSent() const {
    const std::optional<std::vector<std::string>> entries = ListFolder(m_sentFolder);
    if (!entries)
        return std::nullopt;
    return TitlesWith(*entries, kRecordExtension);
}

NamedResult DictationStore::Create(std::string_view prefix) {
    const std::optional<std::vector<std::string>> current = ListFolder(m_currentFolder);
    if (!current)
        return {StoreResult::FileError, {}};
    // A missing "Sent Files/" holds no names; one that exists but cannot be listed might.
    const std::optional<std::vector<std::string>> sent = ListFolder(m_sentFolder);
    if (!sent && PathExists(m_sentFolder))
        return {StoreResult::FileError, {}};
    const std::vector<std::string> noEntries;
    std::unordered_set<std::string> taken;
    for (const std::vector<std::string>* entries : {&*current, sent ? &*sent : &noEntries}) {
        for (const std::string& entry : *entries) {
            if (const std::string_view title = DictationTitleOf(entry); !title.empty())
                taken.insert(FoldCase(title));
        }
    }

    int32_t number = ReadIntValue(m_settingsFile, SettingsKeys::kNumber);
    std::string name;
    for (;;) {
        if (number == INT32_MAX)
            return {StoreResult::NoFreeNumber, {}};
        name = std::string(prefix) + " " + std::to_string(number);
        if (!taken.contains(FoldCase(name)))
            break;
        ++number;
    }
    if (name.size() > NameLimit(m_currentFolder))
        return {StoreResult::NameTooLong, name};
    // The next number is on disk before the record exists, so a crash in between never hands it out twice.
    if (!WriteIntValue(m_settingsFile, SettingsKeys::kNumber, number + 1) || !FlushProfile(m_settingsFile))
        return {StoreResult::FileError, name};
    const std::string record = RecordPath(StoreFolder::Current, name);
    if (!WriteIntValue(record, RecordKeys::kNumber, number) || !WriteDateValue(record, RecordKeys::kDate, Now()) ||
        !FlushProfile(record))
        return {StoreResult::FileError, name};
    return {StoreResult::Done, name};
}

DictationRecord DictationStore::ReadRecord(StoreFolder folder, std::string_view name) const {
    const std::string path = RecordPath(folder, name);
    DictationRecord record;
    record.number = ReadIntValue(path, RecordKeys::kNumber);
    record.date = ReadDateValue(path, RecordKeys::kDate);
    record.priority = ReadStringValue(path, RecordKeys::kPriority);
    record.sendDate = ReadDateValue(path, RecordKeys::kSendDate);
    record.recipient = ReadStringValue(path, RecordKeys::kRecipient);
    record.sendStatus = ReadStringValue(path, RecordKeys::kSendStatus);
    return record;
}

std::optional<std::string> DictationStore::LoadNotes(StoreFolder folder, std::string_view name) const {
    const std::string path = NotesPath(folder, name);
    std::optional<std::string> notes = ReadFileBytes(path, kNotesLimit);
    if (!notes)
        return PathExists(path) ? std::nullopt : std::optional<std::string>(std::string());
    const size_t end = notes->find('\0');
    if (end != std::string::npos)
        notes->resize(end);
    else if (notes->size() == kNotesLimit)
        DropCutCharacter(*notes);
    return notes;
}

std::string DictationStore::CreationDateText(StoreFolder folder, std::string_view name) const {
    return DictationDateText(ReadDateValue(RecordPath(folder, name), RecordKeys::kDate));
}

int32_t DictationStore::Length(StoreFolder folder, std::string_view name) const {
    const std::string path = WavePath(folder, name);
    if (!m_services.waveLength || !PathExists(path))
        return 0;
    return std::max(m_services.waveLength(path), 0);
}

StoreResult DictationStore::SaveDetails(std::string_view name, std::string_view priority,
                                        std::optional<std::string_view> changedNotes) {
    const std::string record = RecordPath(StoreFolder::Current, name);
    if (!WriteStringValue(record, RecordKeys::kPriority, CutUtf8(priority, kPriorityLimit)) || !FlushProfile(record))
        return StoreResult::FileError;
    if (!changedNotes)
        return StoreResult::Done;
    if (changedNotes->size() > kNotesLimit)
        return StoreResult::NotesTooLong;
    std::string bytes(*changedNotes);
    std::replace(bytes.begin(), bytes.end(), '\0', ' ');
    bytes += '\0';
    return WriteFileAtomically(NotesPath(StoreFolder::Current, name), bytes) ? StoreResult::Done
                                                                             : StoreResult::FileError;
}

NamedResult DictationStore::Rename(std::string_view name, std::string_view typedName) {
    CleanedName cleaned = CleanDictationName(typedName, m_currentFolder);
    if (cleaned.check != NameCheck::Usable)
        return {ResultOf(cleaned.check), std::move(cleaned.name)};
    if (cleaned.name == name)
        return {StoreResult::Done, std::move(cleaned.name)};
    const std::optional<std::vector<std::string>> entries = ListFolder(m_currentFolder);
    if (!entries)
        return {StoreResult::FileError, std::move(cleaned.name)};
    const bool exists = std::any_of(entries->begin(), entries->end(),
                                    [&](const std::string& entry) { return DictationTitleOf(entry) == name; });
    if (!exists)
        return {StoreResult::NotFound, std::move(cleaned.name)};
    // All three new names are checked before anything is renamed; only the dictation's own names may differ
    // from the new one by case alone.
    if (HoldsName(*entries, cleaned.name, name))
        return {StoreResult::NameTaken, std::move(cleaned.name)};
    if (!FlushProfile(RecordPath(StoreFolder::Current, name)))
        return {StoreResult::FileError, std::move(cleaned.name)};

    std::vector<std::pair<std::string, std::string>> renamed;
    for (const std::string_view extension : kFileOrder) {
        const std::string from = PathOf(StoreFolder::Current, name, extension);
        const std::string to = PathOf(StoreFolder::Current, cleaned.name, extension);
        const RenameResult result = RenameNoReplace(from, to);
        if (result == RenameResult::Renamed) {
            renamed.emplace_back(from, to);
        } else if (result != RenameResult::SourceMissing) {
            for (auto undo = renamed.rbegin(); undo != renamed.rend(); ++undo)
                (void)RenameNoReplace(undo->second, undo->first);
            const StoreResult failure =
                result == RenameResult::TargetExists ? StoreResult::NameTaken : StoreResult::FileError;
            return {failure, std::move(cleaned.name)};
        }
    }
    return {StoreResult::Done, std::move(cleaned.name)};
}

StoreResult DictationStore::Delete(std::string_view name) {
    // Pending record writes go to disk first, so no later flush brings the record back.
    (void)FlushProfile(RecordPath(StoreFolder::Current, name));
    if (!RemoveFile(WavePath(StoreFolder::Current, name)))
        return StoreResult::FileError;
    const bool notesGone = RemoveFile(NotesPath(StoreFolder::Current, name));
    const bool recordGone = RemoveFile(RecordPath(StoreFolder::Current, name));
    return notesGone && recordGone ? StoreResult::Done : StoreResult::FileError;
}

DictationStore::FileTitles DictationStore::SameTitles(std::string_view name) {
    return {std::string(name), std::string(name), std::string(name)};
}

StoreResult DictationStore::MoveDictation(std::string_view name, StoreFolder from, StoreFolder to) {
    return MoveFiles(from, SameTitles(name), to, SameTitles(name));
}

StoreResult DictationStore::MoveFiles(StoreFolder from, const FileTitles& fromTitles, StoreFolder to,
                                      const FileTitles& toTitles) {
    if (!fromTitles[2].empty() && !FlushProfile(RecordPath(from, fromTitles[2])))
        return StoreResult::FileError;
    std::vector<std::pair<std::string, std::string>> moved;
    for (size_t file = 0; file < kFileOrder.size(); ++file) {
        if (fromTitles[file].empty() || toTitles[file].empty())
            continue;
        const std::string source = PathOf(from, fromTitles[file], kFileOrder[file]);
        const std::string target = PathOf(to, toTitles[file], kFileOrder[file]);
        const MoveResult result = MoveFileNoReplace(source, target);
        if (result == MoveResult::Moved) {
            moved.emplace_back(source, target);
        } else if (result != MoveResult::SourceMissing) {
            for (auto undo = moved.rbegin(); undo != moved.rend(); ++undo)
                (void)MoveFileNoReplace(undo->second, undo->first);
            return StoreResult::FileError;
        }
    }
    return StoreResult::Done;
}

struct DictationStore::SendPlan {
    StoreResult result = StoreResult::FileError;
    std::string sentName;     // the name the sent dictation takes in "Sent Files/"
    FileTitles earlierTitles; // the files of an earlier sent dictation of the name that moves aside first
    std::string earlierName;  // where it moves; empty when nothing moves
};

DictationStore::SendPlan DictationStore::PlanSend(std::string_view name) const {
    SendPlan plan;
    if (!PathExists(WavePath(StoreFolder::Current, name))) {
        plan.result = StoreResult::NotFound;
        return plan;
    }
    const size_t limit = NameLimit(m_sentFolder);
    if (name.size() > limit) {
        plan.result = StoreResult::NameTooLong;
        return plan;
    }
    const std::optional<std::vector<std::string>> sent = ListFolder(m_sentFolder);
    const std::optional<std::vector<std::string>> current = ListFolder(m_currentFolder);
    if (!sent || !current)
        return plan;
    plan.result = StoreResult::Done;
    plan.sentName = name;
    FileTitles earlier;
    const std::string folded = FoldCase(name);
    for (const std::string& entry : *sent) {
        for (size_t file = 0; file < kFileOrder.size(); ++file) {
            const std::string_view title = TitleOf(entry, kFileOrder[file]);
            if (!title.empty() && FoldCase(title) == folded)
                earlier[file] = title;
        }
    }
    if (earlier == FileTitles{})
        return plan;
    // Both are kept: one of them takes the next name that neither folder holds, so either can be recovered.
    std::string freeName;
    for (int number = 2; freeName.empty(); ++number) {
        std::string candidate = std::string(name) + " (" + std::to_string(number) + ")";
        if (candidate.size() > limit) {
            plan.result = StoreResult::SentNameTaken;
            return plan;
        }
        if (!HoldsName(*sent, candidate) && !HoldsName(*current, candidate))
            freeName = std::move(candidate);
    }
    if (!earlier[0].empty() && IsQueued(earlier[0])) {
        // The queue names the earlier one by its path: it stays, and the new one goes beside it.
        plan.sentName = std::move(freeName);
        return plan;
    }
    plan.earlierTitles = std::move(earlier);
    plan.earlierName = std::move(freeName);
    return plan;
}

StoreResult DictationStore::CheckSend(std::string_view name) const {
    return PlanSend(name).result;
}

StoreResult DictationStore::MoveToSent(std::string_view name, std::string_view recipientText,
                                       const EnqueueFunction& enqueue) {
    if (!PathExists(WavePath(StoreFolder::Current, name)))
        return StoreResult::NotFound;
    (void)PurgeSent();
    const SendPlan plan = PlanSend(name);
    if (plan.result != StoreResult::Done)
        return plan.result;

    // Stamped while still in "Current Files/": a failure here has moved nothing.
    const std::string record = RecordPath(StoreFolder::Current, name);
    if (!WriteDateValue(record, RecordKeys::kSendDate, Now()) ||
        !WriteStringValue(record, RecordKeys::kRecipient, recipientText) ||
        !WriteStringValue(record, RecordKeys::kSendStatus, RecordKeys::kSentStatus) || !FlushProfile(record))
        return StoreResult::FileError;
    const FileTitles earlierMoved = SameTitles(plan.earlierName);
    if (!plan.earlierName.empty()) {
        if (const StoreResult aside = MoveFiles(StoreFolder::Sent, plan.earlierTitles, StoreFolder::Sent, earlierMoved);
            aside != StoreResult::Done)
            return aside;
    }
    // Whatever fails from here on puts the earlier one back under its own name.
    const auto undoAside = [&](StoreResult result) {
        if (!plan.earlierName.empty() &&
            MoveFiles(StoreFolder::Sent, earlierMoved, StoreFolder::Sent, plan.earlierTitles) != StoreResult::Done)
            return StoreResult::FileError;
        return result;
    };
    const FileTitles current = SameTitles(name);
    const FileTitles sent = SameTitles(plan.sentName);
    if (const StoreResult moved = MoveFiles(StoreFolder::Current, current, StoreFolder::Sent, sent);
        moved != StoreResult::Done)
        return undoAside(moved);
    if (enqueue && enqueue(WavePath(StoreFolder::Sent, plan.sentName)))
        return StoreResult::Done;
    // Never a dictation moved and not queued: it goes back, with its send keys (as a recovered one has).
    if (MoveFiles(StoreFolder::Sent, sent, StoreFolder::Current, current) != StoreResult::Done)
        return StoreResult::FileError;
    return undoAside(StoreResult::QueueFailed);
}

StoreResult DictationStore::CheckRecover(std::string_view name) const {
    if (!PathExists(WavePath(StoreFolder::Sent, name)))
        return StoreResult::NotFound;
    if (name.size() > NameLimit(m_currentFolder))
        return StoreResult::NameTooLong;
    const std::optional<std::vector<std::string>> current = ListFolder(m_currentFolder);
    if (!current)
        return StoreResult::FileError;
    if (HoldsName(*current, name))
        return StoreResult::NameTaken;
    return IsQueued(name) ? StoreResult::StillQueued : StoreResult::Done;
}

StoreResult DictationStore::Recover(std::string_view name) {
    if (const StoreResult check = CheckRecover(name); check != StoreResult::Done)
        return check;
    return MoveDictation(name, StoreFolder::Sent, StoreFolder::Current);
}

std::optional<size_t> DictationStore::PurgeSent() {
    const std::optional<std::vector<std::string>> entries = ListFolder(m_sentFolder);
    if (!entries)
        return std::nullopt;
    const int64_t now = Now();
    const auto isOld = [now](int64_t date) { return date >= 1 && date < now && now - date > kSentKeepSeconds; };
    size_t removed = 0;
    for (const std::string& entry : *entries) {
        if (const std::string_view title = TitleOf(entry, kRecordExtension); !title.empty()) {
            if (!isOld(ReadDateValue(RecordPath(StoreFolder::Sent, title), RecordKeys::kSendDate)) || IsQueued(title))
                continue;
            // The record goes last: while it stays, the dictation stays listed among the sent ones.
            if (!RemoveFile(WavePath(StoreFolder::Sent, title)) || !RemoveFile(NotesPath(StoreFolder::Sent, title)))
                continue;
            if (RemoveFile(RecordPath(StoreFolder::Sent, title)))
                ++removed;
        } else if (entry.starts_with("dct") && !TitleOf(entry, ".dct").empty()) {
            // Packages are written once and never changed, so their modification time is their age.
            const std::string path = JoinPath(m_sentFolder, entry);
            struct stat info {};
            if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && isOld(info.st_mtime))
                RemoveFile(path);
        }
    }
    return removed;
}
