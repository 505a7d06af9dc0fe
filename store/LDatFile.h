// LDatFile: holds the path of an INI-format record file and flushes the file's cached writes when destroyed.
// Call Flush() where the outcome matters; the destructor then has nothing left to write.
//
//   LDatFile record(store.RecordPath(StoreFolder::Current, name));
//   (void)WriteStringValue(record.Path(), RecordKeys::kPriority, "High");
//   if (!record.Flush()) { /* the priority is not on disk */ }
#pragma once

#include <string>

class LDatFile {
public:
    LDatFile() = default;
    explicit LDatFile(std::string path) : m_path(std::move(path)) {}
    ~LDatFile();
    LDatFile(LDatFile&& other) noexcept : m_path(std::move(other.m_path)) { other.m_path.clear(); }
    LDatFile& operator=(LDatFile&& other) noexcept;
    LDatFile(const LDatFile&) = delete;
    LDatFile& operator=(const LDatFile&) = delete;

    const std::string& Path() const { return m_path; }

    // Writes the cached changes to disk; true when there were none or they were written.
    [[nodiscard]] bool Flush() const;

private:
    std::string m_path;
};
