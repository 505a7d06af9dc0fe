#include "platform/Profile.h"

#include "internal/IniDocument.h"
#include "platform/FileOps.h"

#include <cstdint>
#include <mutex>
#include <sys/stat.h>
#include <unordered_map>

namespace {

// Identifies one version of a file on disk, so a cached copy is dropped when another process changed it.
struct FileStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    int64_t modifiedNs = 0;

    static FileStamp Of(const std::string& path) {
        FileStamp stamp;
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0)
            return stamp;
        stamp.exists = true;
        stamp.device = info.st_dev;
        stamp.inode = info.st_ino;
        stamp.size = info.st_size;
        stamp.modifiedNs = static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
        return stamp;
    }

    bool operator==(const FileStamp&) const = default;
};

struct CachedFile {
    IniDocument document;
    FileStamp stamp;
    bool dirty = false;
    uint64_t lastUse = 0;
};

// Every profile file this process has touched lately; guarded by one mutex, so single-key reads and writes
// from several threads never see half an update. Clean entries beyond the limit are dropped, oldest first.
class ProfileCache {
public:
    static ProfileCache& Instance() {
        static ProfileCache cache;
        return cache;
    }

    std::string Read(const std::string& path, std::string_view section, std::string_view key,
                     std::string_view defaultValue) {
        std::lock_guard lock(m_mutex);
        std::optional<std::string> value = Load(path).document.Get(section, key);
        return value ? CutToLimit(std::move(*value)) : CutToLimit(std::string(defaultValue));
    }

    bool Write(const std::string& path, std::string_view section, std::string_view key, std::string_view value) {
        if (!IniDocument::IsUsableSectionName(section) || !IniDocument::IsUsableKeyName(key))
            return false;
        std::lock_guard lock(m_mutex);
        CachedFile& file = Load(path);
        if (file.document.Get(section, key) == value)
            return true;
        file.document.Set(section, key, value);
        file.dirty = true;
        return true;
    }

    bool Flush(const std::string& path) {
        std::lock_guard lock(m_mutex);
        auto found = m_files.find(path);
        return found == m_files.end() || FlushEntry(path, found->second);
    }

    bool FlushAll() {
        std::lock_guard lock(m_mutex);
        bool allWritten = true;
        for (auto& [path, file] : m_files)
            allWritten = FlushEntry(path, file) && allWritten;
        return allWritten;
    }

    void Forget(const std::string& path) {
        std::lock_guard lock(m_mutex);
        m_files.erase(path);
    }

private:
    static constexpr size_t kCleanEntriesKept = 256;

    static std::string CutToLimit(std::string value) {
        if (value.size() <= kProfileValueLimit)
            return value;
        size_t end = kProfileValueLimit;
        while (end > 0 && (static_cast<unsigned char>(value[end]) & 0xc0) == 0x80)
            --end;
        value.resize(end);
        return value;
    }

    static bool FlushEntry(const std::string& path, CachedFile& file) {
        if (!file.dirty)
            return true;
        if (!WriteFileAtomically(path, file.document.Serialize()))
            return false;
        file.dirty = false;
        file.stamp = FileStamp::Of(path);
        return true;
    }

    CachedFile& Load(const std::string& path) {
        const FileStamp stamp = FileStamp::Of(path);
        auto found = m_files.find(path);
        const bool fresh = found == m_files.end();
        if (fresh) {
            DropOldCleanEntries();
            found = m_files.emplace(path, CachedFile{}).first;
        }
        CachedFile& file = found->second;
        if (fresh || (!file.dirty && !(file.stamp == stamp))) {
            std::optional<std::string> text = stamp.exists ? ReadFileBytes(path) : std::nullopt;
            file.document = IniDocument::Parse(text ? *text : std::string());
            file.stamp = stamp;
        }
        file.lastUse = ++m_useCounter;
        return file;
    }

    void DropOldCleanEntries() {
        if (m_files.size() < kCleanEntriesKept)
            return;
        auto oldest = m_files.end();
        for (auto it = m_files.begin(); it != m_files.end(); ++it) {
            if (!it->second.dirty && (oldest == m_files.end() || it->second.lastUse < oldest->second.lastUse))
                oldest = it;
        }
        if (oldest != m_files.end())
            m_files.erase(oldest);
    }

    std::mutex m_mutex;
    std::unordered_map<std::string, CachedFile> m_files;
    uint64_t m_useCounter = 0;
};

} // namespace

std::string ProfileRead(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view defaultValue) {
    return ProfileCache::Instance().Read(path, section, key, defaultValue);
}

bool ProfileWrite(const std::string& path, std::string_view section, std::string_view key, std::string_view value) {
    return ProfileCache::Instance().Write(path, section, key, value);
}

bool ProfileFlush(const std::string& path) {
    return ProfileCache::Instance().Flush(path);
}

bool ProfileFlushAll() {
    return ProfileCache::Instance().FlushAll();
}

void ProfileForget(const std::string& path) {
    ProfileCache::Instance().Forget(path);
}
