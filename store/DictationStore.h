// DictationStore: the dictations on disk. A dictation named N is N.wav (the audio; it is listed only while this
// exists), N.dat (its record, section "file") and N.txt (notes and one zero byte) in "Current Files/", or in
// "Sent Files/" once sent. Creates, lists, renames, deletes, sends and recovers them, never replacing or
// deleting a file it was not asked to, and moving back what it moved when an operation fails half-way.
// Names starting with '.' are the program's temporary files (insert recordings, atomic rewrites): never listed,
// never cleaned up. Not thread-safe: the main thread owns the store; the send worker reads "Sent Files/".
//
//   DictationStore store(settings.currentFolder, settings.sentFolder, settings.settingsFile, services);
//   if (const auto names = store.Refresh()) { /* fill the list; select names->back() */ }
//   const NamedResult created = store.Create(kDictationPrefix); // "Dictation 7"
#pragma once

#include "store/StoreResult.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class StoreFolder { Current, Sent };

inline constexpr std::string_view kDictationPrefix = "Dictation"; // new dictations: "Dictation 7"
inline constexpr std::string_view kTapePrefix = "Tape";           // portable dictaphone transfers: "Tape 7"

// Notes beyond this many bytes are neither loaded nor sent.
inline constexpr size_t kNotesLimit = 32766;
// Bytes of the priority text that are stored.
inline constexpr size_t kPriorityLimit = 19;

// Sent dictations are kept this long after their senddate: 2000 units of 2^32 tenths of a microsecond, about
// 9 days 22 hours 37 minutes.
inline constexpr int64_t kSentKeepUnits = 2000;

// Every key of a record, as read with the keys' defaults.
struct DictationRecord {
    int32_t number = 0;
    int64_t date = 0;
    std::string priority;
    int64_t sendDate = 0;
    std::string recipient;
    std::string sendStatus;
};

// What the store needs from the layers above it; every member may be left empty.
struct StoreServices {
    // Length of a wave file in 1/10000 s (0 when it cannot be read). Empty: every length is 0.
    std::function<int32_t(const std::string& wavePath)> waveLength;
    // Whether the send queue still holds this wave path of "Sent Files/". Empty: nothing is queued.
    std::function<bool(const std::string& sentWavePath)> isQueued;
    // Seconds since 1 January 1970. Empty: the system clock.
    std::function<int64_t()> now;
};

// Hands a moved wave path to the send queue; false when the queue did not take it.
using EnqueueFunction = std::function<bool(const std::string& sentWavePath)>;

class DictationStore {
public:
    DictationStore(std::string currentFolder, std::string sentFolder, std::string settingsFile,
                   StoreServices services = {});

    std::string WavePath(StoreFolder folder, std::string_view name) const;
    std::string RecordPath(StoreFolder folder, std::string_view name) const;
    std::string NotesPath(StoreFolder folder, std::string_view name) const;

    // The dictation of a wave path "<folder>/<name>.wav" (for those who are handed only the wave path, such as the
    // send worker): its name, and its record and notes beside it. Empty when the path names no wave file.
    static std::string NameOfWave(std::string_view wavePath);
    static std::string RecordBesideWave(std::string_view wavePath);
    static std::string NotesBesideWave(std::string_view wavePath);

    // Names of the "*.wav" files of "Current Files/", in list order (LessNoCase); nothing when the folder
    // cannot be listed, which is not the same as an empty list.
    std::optional<std::vector<std::string>> List() const;

    // List, then remove the records and notes of "Current Files/" that have no wave file (compared without
    // regard to case) and hold nothing the user entered; a dictation with notes, or a priority other than Normal,
    // is listed without a recording. Dictations `inUse` elsewhere (a transfer recording into them) are neither
    // listed nor cleaned. When the listing fails nothing is removed and nothing is returned.
    std::optional<std::vector<std::string>> Refresh(const std::vector<std::string>& inUse = {});

    // Names of the records (".dat") of "Sent Files/", in list order; nothing when the folder cannot be listed.
    std::optional<std::vector<std::string>> ListSent() const;

    // Takes the settings "number" n, stores n + 1 at once and writes the record of "<prefix> n" (number, date).
    // A number whose name is taken by any file of either folder is skipped, so no record is ever rewritten.
    [[nodiscard]] NamedResult Create(std::string_view prefix = kDictationPrefix);

    DictationRecord ReadRecord(StoreFolder folder, std::string_view name) const;

    // The notes: at most kNotesLimit bytes, up to the first zero byte (a UTF-8 character cut at the limit is
    // dropped). Empty when there is no notes file; nothing when one exists but cannot be read.
    std::optional<std::string> LoadNotes(StoreFolder folder, std::string_view name) const;

    // "Dictation started ..." for the record's date, "File create date unknown" below 1.
    std::string CreationDateText(StoreFolder folder, std::string_view name) const;

    // Length of the wave file in 1/10000 s; 0 when it is missing or cannot be read.
    int32_t Length(StoreFolder folder, std::string_view name) const;

    // Writes the priority (cut to kPriorityLimit bytes) into the record of a current dictation and flushes it;
    // with `changedNotes`, replaces the notes file atomically by the text and one zero byte (zero bytes inside
    // the text become blanks, since a reader stops at the first).
    [[nodiscard]] StoreResult SaveDetails(std::string_view name, std::string_view priority,
                                          std::optional<std::string_view> changedNotes = std::nullopt);

    // Renames a current dictation's three files to the typed name after CleanDictationName. Refused when the
    // name is not usable or any of the three new names is taken; never replaces a file.
    [[nodiscard]] NamedResult Rename(std::string_view name, std::string_view typedName);

    // Removes a current dictation's wave, notes and record; Done when none of them is left.
    [[nodiscard]] StoreResult Delete(std::string_view name);

    // Sends a current dictation: purges old sent dictations, stamps the record (senddate, recipient,
    // sendstatus "Sent"), moves wave, notes and record to "Sent Files/" and hands the moved wave path to
    // `enqueue`. When "Sent Files/" holds the name already (the case of letters aside), both are kept under the
    // next name "<name> (n)" free in both folders: the earlier one moves there with its files when it is no
    // longer queued, otherwise the new one is stored under it. Records keep their numbers, so statuses still
    // find them. SentNameTaken only when no such name fits the folder.
    [[nodiscard]] StoreResult MoveToSent(std::string_view name, std::string_view recipientText,
                                         const EnqueueFunction& enqueue);

    // Whether MoveToSent would take the current dictation now: Done, or the refusal it would give (NotFound
    // without a wave file, NameTooLong, SentNameTaken, FileError). Changes nothing.
    [[nodiscard]] StoreResult CheckSend(std::string_view name) const;

    // Moves a sent dictation back to "Current Files/"; its record keeps its send keys. Refused when a current
    // dictation has that name, when it is still queued, or when its wave file is missing.
    [[nodiscard]] StoreResult Recover(std::string_view name);
    // Whether Recover would move the sent dictation back now: Done, or the refusal it would give (NotFound,
    // NameTooLong, NameTaken, StillQueued, FileError). Changes nothing.
    [[nodiscard]] StoreResult CheckRecover(std::string_view name) const;

    // Removes the sent dictations whose senddate lies more than kSentKeepUnits units back (all three files),
    // except those still queued and those whose record has no senddate; also old dictation packages ("dct*.dct")
    // by their age. Returns the number of dictations removed, or nothing when "Sent Files/" cannot be listed.
    std::optional<size_t> PurgeSent();

private:
    std::string PathOf(StoreFolder folder, std::string_view name, std::string_view extension) const;
    const std::string& FolderPath(StoreFolder folder) const;
    int64_t Now() const;
    // Any of the dictation's three files in the listing, the case of letters aside.
    static bool HoldsName(const std::vector<std::string>& entries, std::string_view name, std::string_view except = {});
    // The titles of a dictation's wave, notes and record (kFileOrder); an empty title stands for no file.
    using FileTitles = std::array<std::string, 3>;
    static FileTitles SameTitles(std::string_view name);
    // Moves the three files of `name` between the folders (wave first); moves back on failure.
    StoreResult MoveDictation(std::string_view name, StoreFolder from, StoreFolder to);
    // Moves each file from its title in `from` to its title in `to` (wave first); moves back on failure.
    StoreResult MoveFiles(StoreFolder from, const FileTitles& fromTitles, StoreFolder to, const FileTitles& toTitles);
    // Where a send of the current dictation puts what: see MoveToSent.
    struct SendPlan;
    SendPlan PlanSend(std::string_view name) const;
    bool IsQueued(std::string_view name) const;
    // Whether the current dictation's record or notes hold something the user entered.
    bool HoldsUserEntries(std::string_view name) const;

    std::string m_currentFolder;
    std::string m_sentFolder;
    std::string m_settingsFile;
    StoreServices m_services;
};
