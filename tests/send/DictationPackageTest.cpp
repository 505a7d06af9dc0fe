// The dictation package, read back by the typist-side reader that knows only the documented layout.
#include "send/DictationPackage.h"

#include "PackageReader.h"
#include "ReadOnlyView.h"
#include "TempFolder.h"
#include "platform/FileOps.h"
#include "store/IniValues.h"
#include "store/SettingsKeys.h"

#include <gtest/gtest.h>

namespace {

class DictationPackageTest : public ::testing::Test {
protected:
    static std::string Audio() {
        std::string audio = "RIFF....WAVEfmt ";
        for (int i = 0; i < 70000; ++i)
            audio += static_cast<char>(i * 7 + i / 256);
        return audio;
    }
    // Writes the package, expecting it under `name`, and reads it back.
    TypistPackage Written(const std::string& name) {
        const PackageResult result = m_package.Write(m_wave, m_audio);
        EXPECT_EQ(result.status, PackageStatus::Written);
        EXPECT_EQ(result.path, m_folder / ("Sent Files/" + name));
        std::string problem;
        const std::optional<TypistPackage> package = ReadTypistPackage(result.path, problem);
        EXPECT_TRUE(package) << problem;
        EXPECT_EQ(ListFolder(m_folder / "Sent Files")->size(), m_files + 1) << "no temporary file is left";
        return package.value_or(TypistPackage{});
    }

    TempFolder m_folder;
    std::string m_settings = m_folder / "settings.ini";
    std::string m_wave = m_folder.Write("Sent Files/Diktat Zoë.wav", "RIFF");
    std::string m_audio = m_folder.Write("Sent Files/Diktat Zoë.tmp", Audio());
    size_t m_files = 2;
    DictationPackage m_package{m_settings, [] { return int64_t{1234567890}; }};
};

TEST_F(DictationPackageTest, APackageCarriesTheHeaderDetailsCutTo255BytesNotesAndTheWholeAudio) {
    ASSERT_TRUE(WriteIntValue(m_settings, SettingsKeys::kUserId, 42));
    ASSERT_TRUE(WriteStringValue(m_settings, SettingsKeys::kUser, "Zoë Müller"));
    ASSERT_TRUE(WriteStringValue(m_settings, SettingsKeys::kUserEmail, std::string(300, 'x')));
    const std::string details[8] = {
        std::string(250, 'c') + "éééééééé", "555 1234", "", "", "1 Quay Street", "", "", "日本"};
    for (size_t i = 0; i < 8; ++i)
        ASSERT_TRUE(WriteStringValue(m_settings, UserKeys::kDetails[i], details[i]));
    m_folder.Write("Sent Files/Diktat Zoë.dat", "[file]\nnumber=17\ndate=1700000000\npriority=High\n");
    m_folder.Write("Sent Files/Diktat Zoë.txt", std::string("Bitte schnell – danke\0left over", 32));
    m_files = 4;

    const TypistPackage package = Written("dct00042-00017.dct");
    EXPECT_EQ(std::tuple(package.userId, package.number, package.date, package.name),
              std::tuple(42u, 17u, 1700000000u, "Diktat Zo\xEB"));
    // Each character one byte; the settings value itself stops after 258 UTF-8 bytes.
    EXPECT_EQ(package.details, (std::array<std::string, 10>{"Zo\xEB M\xFCller", std::string(255, 'x'),
                                                            std::string(250, 'c') + std::string(4, '\xE9'), "555 1234",
                                                            "", "", "1 Quay Street", "", "", "??"}));
    EXPECT_EQ(package.priority, 100);
    EXPECT_EQ(package.notes, "Bitte schnell \x96 danke");
    EXPECT_EQ(package.audio, Audio());
}

TEST_F(DictationPackageTest, PriorityBytesGoByTheFirstLetterAndNamesHaveFiveDigitNumbers) {
    for (const auto& [text, byte] :
         {std::pair<const char*, int>{"High", 100}, {"Low", 10}, {"Normal", 50}, {"high", 50}, {"", 50}})
        EXPECT_EQ(DictationPackage::PriorityByte(text), byte) << text;
    EXPECT_EQ(DictationPackage::FileName(123456, 7), "dct123456-00007.dct");
}

TEST_F(DictationPackageTest, WithoutRecordOrSettingsTheDefaultsGoAndMissingAudioOrAnUnwritableFolderGiveNoPackage) {
    const TypistPackage package = Written("dct00000-00000.dct");
    EXPECT_EQ(std::tuple(package.date, package.priority, package.notes), std::tuple(1234567890u, 50, ""))
        << "the date is the current time";
    EXPECT_EQ(package.details, (std::array<std::string, 10>{}));
    EXPECT_EQ(package.audio, Audio());

    ASSERT_TRUE(RemoveFile(m_audio));
    EXPECT_EQ(m_package.Write(m_wave, m_audio).status, PackageStatus::AudioUnreadable);
    EXPECT_EQ(ListFolder(m_folder / "Sent Files")->size(), 2u);

    m_folder.Write("Sent Files/Diktat Zoë.tmp", Audio());
    const TempFolder view;
    const ReadOnlyView mount(m_folder / "Sent Files", view.Path());
    if (!mount.Mounted())
        GTEST_SKIP() << "mounting is not permitted here";
    const PackageResult result = m_package.Write(view / "Diktat Zoë.wav", view / "Diktat Zoë.tmp");
    EXPECT_EQ(result.status, PackageStatus::WriteFailed);
    EXPECT_TRUE(result.path.empty());
    EXPECT_EQ(ListFolder(m_folder / "Sent Files")->size(), 3u);
}

} // namespace
