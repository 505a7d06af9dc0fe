// StoreFixture: a data folder with "Current Files/", "Sent Files/" and "settings.ini" in a temporary folder, a
// store over it with a clock the test sets and a send queue the test fills, and helpers that lay out dictations.
#pragma once

#include "DictationStore.h"
#include "FileOps.h"
#include "IniValues.h"
#include "RecordKeys.h"
#include "TempFolder.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

class StoreFixture : public ::testing::Test {
protected:
    static constexpr int64_t kNow = 1764925620; // 5 December 2025 09:07 UTC
    static constexpr int64_t kDay = 86400;

    StoreFixture() {
        MakeFolders(m_current);
        MakeFolders(m_sent);
    }

    StoreServices Services() {
        StoreServices services;
        services.now = [this] { return m_now; };
        services.isQueued = [this](const std::string& path) { return m_queued.contains(path); };
        return services;
    }

    // A dictation's files: the wave always, the record with its number, the notes when given.
    void AddDictation(StoreFolder folder, const std::string& name, int32_t number = 1,
                      std::optional<std::string> notes = std::nullopt) {
        const std::string& path = folder == StoreFolder::Current ? m_current : m_sent;
        ASSERT_TRUE(WriteFileAtomically(path + name + ".wav", "RIFF" + name));
        const std::string record = path + name + ".dat";
        ASSERT_TRUE(WriteIntValue(record, RecordKeys::kNumber, number));
        ASSERT_TRUE(FlushProfile(record));
        if (notes) {
            ASSERT_TRUE(WriteFileAtomically(path + name + ".txt", *notes + '\0'));
        }
    }

    // A dictation of "Sent Files/" sent `age` seconds before now.
    void AddSent(const std::string& name, int64_t age) {
        AddDictation(StoreFolder::Sent, name, 1, "notes");
        const std::string record = m_sent + name + ".dat";
        ASSERT_TRUE(WriteDateValue(record, RecordKeys::kSendDate, m_now - age));
        ASSERT_TRUE(FlushProfile(record));
    }

    // The entries of a folder, sorted by their bytes.
    static std::vector<std::string> Entries(const std::string& folder) {
        std::vector<std::string> entries = ListFolder(folder).value_or(std::vector<std::string>{"<unlistable>"});
        std::sort(entries.begin(), entries.end());
        return entries;
    }

    using Names = std::vector<std::string>;

    TempFolder m_folder;
    std::string m_current = m_folder / "Current Files/";
    std::string m_sent = m_folder / "Sent Files/";
    std::string m_settings = m_folder / "settings.ini";
    int64_t m_now = kNow;
    std::set<std::string> m_queued;
    DictationStore m_store{m_current, m_sent, m_settings, Services()};
};

inline void PrintTo(StoreResult result, std::ostream* out) {
    *out << StoreResultName(result);
}
