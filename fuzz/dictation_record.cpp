// Fuzzes the reading of dictation files: the bytes become a record (name.dat) and a notes file (name.txt) in a
// temporary folder and every record key, the notes and the creation date text are read through the store; the
// same bytes as a typed name go through the name rules. Checks that what comes back keeps its limits.
#include "FuzzInputFolder.h"
#include "platform/FileOps.h"
#include "platform/LFile.h"
#include "platform/Profile.h"
#include "store/DictationName.h"
#include "store/DictationStore.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

const std::string& Folder() {
    return FuzzInputFolder::Path("dictation-record");
}

void Write(const std::string& path, std::string_view bytes) {
    LWriteFile file(path);
    if (!file.IsOpen() || !file.Write(bytes.data(), bytes.size()))
        std::abort();
}

void Check(bool condition) {
    if (!condition)
        std::abort();
}

bool IsText(const std::string& value) {
    return value.size() <= kProfileValueLimit && value.find('\n') == std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // Each input ends with both files removed, so the next one gets new inodes (tmpfs never reuses their
    // numbers) and the profile cache sees a changed file rather than answering from the last input.
    const std::string name = "Dictation 1";
    DictationStore store(Folder(), Folder(), Folder() + "settings.ini");
    const std::string record = store.RecordPath(StoreFolder::Current, name);
    const std::string notes = store.NotesPath(StoreFolder::Current, name);
    Write(record, bytes);
    Write(notes, bytes);

    const DictationRecord read = store.ReadRecord(StoreFolder::Current, name);
    Check(IsText(read.priority) && IsText(read.recipient) && IsText(read.sendStatus));
    const std::optional<std::string> loaded = store.LoadNotes(StoreFolder::Current, name);
    Check(loaded && loaded->size() <= kNotesLimit && loaded->find('\0') == std::string::npos);
    const std::string date = store.CreationDateText(StoreFolder::Current, name);
    Check(date == "File create date unknown" || date.starts_with("Dictation started "));

    const CleanedName cleaned = CleanDictationName(bytes, Folder());
    if (cleaned.check == NameCheck::Usable) {
        Check(!cleaned.name.empty() && cleaned.name.front() != ' ' && cleaned.name.back() != ' ');
        Check(cleaned.name.size() <= NameLimit(Folder()));
        Check(cleaned.name.find_first_of("<>\"*./:\\|\n") == std::string::npos);
        Check(EqualNoCase(cleaned.name, FoldCase(cleaned.name)));
    }

    // Neither file has audio: the refresh lists the dictation only when it holds notes or a chosen priority, and
    // otherwise removes both. Deleting it leaves the folder empty for the next input.
    const std::optional<std::vector<std::string>> names = store.Refresh();
    Check(names && names->size() <= 1);
    Check(names->empty() ? !PathExists(record) && !PathExists(notes) : names->front() == name);
    Check(store.Delete(name) == StoreResult::Done);
    Check(!PathExists(record) && !PathExists(notes));
    return 0;
}
