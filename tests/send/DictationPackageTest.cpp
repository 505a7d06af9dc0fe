#include "DictationPackage.h"

#include "FileOps.h"
#include "IniValues.h"
#include "ReadOnlyView.h"
#include "RecordKeys.h"
#include "SettingsKeys.h"
#include "TempFolder.h"

#include <array>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace {

// A package as read back by a reader that knows only the documented layout.
struct ReadPackage {
    uint16_t leading = 0xFFFF;
    uint32_t totalLength = 0;
    uint32_t zero = 0xFFFFFFFF;
    uint32_t userId = 0;
    uint32_t number = 0;
    uint32_t date = 0;
    std::string name;
    std::array<std::string, 10> user;
    uint8_t priority = 0;
    std::string notes;
    std::string audio;
};

std::optional<ReadPackage> Parse(const std::string& bytes) {
    size_t at = 0;
    const auto take = [&](size_t count) -> std::optional<std::string> {
        if (bytes.size() - at < count)
            return std::nullopt;
        at += count;
        return bytes.substr(at - count, count);
    };
    const auto number = [&](size_t size) -> std::optional<uint32_t> {
        const auto field = take(size);
        if (!field)
            return std::nullopt;
        uint32_t value = 0;
        for (size_t i = size; i-- > 0;)
            value = value << 8 | static_cast<uint8_t>((*field)[i]);
        return value;
    };
    const auto text = [&]() -> std::optional<std::string> {
        const auto length = number(1);
        return length ? take(*length) : std::nullopt;
    };
    ReadPackage package;
    const auto leading = number(2), total = number(4), zero = number(4), user = number(4), dictation = number(4),
               date = number(4);
    const auto name = text();
    if (!leading || !total || !zero || !user || !dictation || !date || !name)
        return std::nullopt;
    package.leading = static_cast<uint16_t>(*leading);
    package.totalLength = *total, package.zero = *zero, package.userId = *user, package.number = *dictation;
    package.date = *date, package.name = *name;
    for (std::string& detail : package.user) {
        const auto value = text();
        if (!value)
            return std::nullopt;
        detail = *value;
    }
    const auto priority = number(1);
    const auto notesLength = number(4);
    if (!priority || !notesLength)
        return std::nullopt;
    const auto notes = take(*notesLength);
    if (!notes)
        return std::nullopt;
    package.priority = static_cast<uint8_t>(*priority);
    package.notes = *notes;
    package.audio = bytes.substr(at);
    return package;
}

class DictationPackageTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_wave = m_folder.Write("Sent Files/Diktat Zoë.wav", "RIFF");
        m_audio = m_folder.Write("Sent Files/Diktat Zoë.tmp", Audio());
    }
    static std::string Audio() {
        std::string audio = "RIFF....WAVEfmt ";
        for (int i = 0; i < 70000; ++i)
            audio += static_cast<char>(i * 7 + i / 256);
        return audio;
    }
    void Set(const StringKey& key, std::string_view value) {
        ASSERT_TRUE(WriteStringValue(m_settings, key, value));
        ASSERT_TRUE(FlushProfile(m_settings));
    }
    void SetRecord(int number, int64_t date, std::string_view priority) {
        const std::string record = m_folder / "Sent Files/Diktat Zoë.dat";
        ASSERT_TRUE(WriteIntValue(record, RecordKeys::kNumber, number));
        ASSERT_TRUE(WriteDateValue(record, RecordKeys::kDate, date));
        ASSERT_TRUE(WriteStringValue(record, RecordKeys::kPriority, priority));
        ASSERT_TRUE(FlushProfile(record));
    }
    PackageResult Write() const { return m_package.Write(m_wave, m_audio); }

    TempFolder m_folder;
    std::string m_settings = m_folder / "settings.ini";
    std::string m_wave;
    std::string m_audio;
    DictationPackage m_package{m_settings, [] { return int64_t{1234567890}; }};
};

} // namespace

TEST_F(DictationPackageTest, APackageCarriesTheHeaderDetailsNotesAndTheWholeAudio) {
    ASSERT_TRUE(WriteIntValue(m_settings, SettingsKeys::kUserId, 42));
    Set(SettingsKeys::kUser, "Zoë Müller");
    Set(SettingsKeys::kUserEmail, "zoe@example.org");
    const std::array<std::string, 8> details{"Orrindale Ltd", "555 1234", "555 9876", "",
                                             "1 Quay Street", "Harbour",  "",         "日本"};
    for (size_t i = 0; i < details.size(); ++i)
        Set(UserKeys::kDetails[i], details[i]);
    SetRecord(17, 1700000000, "High");
    m_folder.Write("Sent Files/Diktat Zoë.txt", std::string("Bitte schnell – danke\0left over", 32));

    const PackageResult result = Write();
    ASSERT_EQ(result.status, PackageStatus::Written);
    EXPECT_EQ(result.path, m_folder / "Sent Files/dct00042-00017.dct");
    const std::string bytes = m_folder.Read("Sent Files/dct00042-00017.dct");
    const std::optional<ReadPackage> package = Parse(bytes);
    ASSERT_TRUE(package);
    EXPECT_EQ(package->leading, 0);
    EXPECT_EQ(package->totalLength, bytes.size());
    EXPECT_EQ(package->zero, 0u);
    EXPECT_EQ(package->userId, 42u);
    EXPECT_EQ(package->number, 17u);
    EXPECT_EQ(package->date, 1700000000u);
    EXPECT_EQ(package->name, "Diktat Zo\xEB");
    EXPECT_EQ(package->user,
              (std::array<std::string, 10>{"Zo\xEB M\xFCller", "zoe@example.org", "Orrindale Ltd", "555 1234",
                                           "555 9876", "", "1 Quay Street", "Harbour", "", "??"}));
    EXPECT_EQ(package->priority, 100);
    EXPECT_EQ(package->notes, "Bitte schnell \x96 danke");
    EXPECT_EQ(package->audio, Audio());
    EXPECT_EQ(ListFolder(m_folder / "Sent Files")->size(), 5u) << "no temporary file is left";
}

TEST_F(DictationPackageTest, ADictationWithoutRecordOrNotesGetsTheDefaults) {
    const PackageResult result = Write();
    ASSERT_EQ(result.status, PackageStatus::Written);
    EXPECT_EQ(FileNameOf(result.path), "dct00000-00000.dct");
    const std::optional<ReadPackage> package = Parse(m_folder.Read("Sent Files/dct00000-00000.dct"));
    ASSERT_TRUE(package);
    EXPECT_EQ(package->date, 1234567890u) << "the current time";
    EXPECT_EQ(package->priority, 50);
    EXPECT_EQ(package->notes, "");
    EXPECT_EQ(package->user, (std::array<std::string, 10>{}));
    EXPECT_EQ(package->audio, Audio());
}

TEST_F(DictationPackageTest, PriorityBytesGoByTheFirstLetter) {
    EXPECT_EQ(DictationPackage::PriorityByte("High"), 100);
    EXPECT_EQ(DictationPackage::PriorityByte("Low"), 10);
    EXPECT_EQ(DictationPackage::PriorityByte("Normal"), 50);
    EXPECT_EQ(DictationPackage::PriorityByte("high"), 50);
    EXPECT_EQ(DictationPackage::PriorityByte(""), 50);
}

TEST_F(DictationPackageTest, StringsAreCutTo255Bytes) {
    Set(SettingsKeys::kUser, std::string(300, 'x'));
    Set(UserKeys::kCompany, std::string(250, 'c') + "éééééééé");
    const PackageResult result = Write();
    ASSERT_EQ(result.status, PackageStatus::Written);
    const std::optional<ReadPackage> package = Parse(m_folder.Read("Sent Files/dct00000-00000.dct"));
    ASSERT_TRUE(package);
    EXPECT_EQ(package->user[0], std::string(255, 'x'));
    EXPECT_EQ(package->user[2], std::string(250, 'c') + std::string(4, '\xE9'))
        << "each character one byte; the settings value itself stops after 258 UTF-8 bytes";
}

TEST_F(DictationPackageTest, FileNamesHaveFiveDigitNumbers) {
    EXPECT_EQ(DictationPackage::FileName(42, 17), "dct00042-00017.dct");
    EXPECT_EQ(DictationPackage::FileName(123456, 7), "dct123456-00007.dct");
}

TEST_F(DictationPackageTest, MissingAudioWritesNoPackage) {
    ASSERT_TRUE(RemoveFile(m_audio));
    EXPECT_EQ(Write().status, PackageStatus::AudioUnreadable);
    EXPECT_EQ(ListFolder(m_folder / "Sent Files")->size(), 1u);
}

TEST_F(DictationPackageTest, AFolderThatCannotBeWrittenLeavesNoPackage) {
    const TempFolder view;
    const ReadOnlyView mount(m_folder / "Sent Files", view.Path());
    if (!mount.Mounted())
        GTEST_SKIP() << "mounting is not permitted here";
    const PackageResult result = m_package.Write(view / "Diktat Zoë.wav", view / "Diktat Zoë.tmp");
    EXPECT_EQ(result.status, PackageStatus::WriteFailed);
    EXPECT_TRUE(result.path.empty());
    EXPECT_EQ(ListFolder(m_folder / "Sent Files")->size(), 2u);
}
