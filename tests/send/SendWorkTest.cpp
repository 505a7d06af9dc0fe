// The send work: single-byte text; the recipient record, laid out by hand from the documented offsets; the
// recipient list, deleting one with the renumbering of those after it; and the dictation package, read back by the
// typist-side reader that knows only the documented layout.
#include "PackageReader.h"
#include "ReadOnlyView.h"
#include "TempFolder.h"
#include "platform/FileOps.h"
#include "send/DictationPackage.h"
#include "send/RecipientList.h"
#include "send/SingleByteText.h"
#include "send/TypistRecipient.h"
#include "store/IniValues.h"
#include "store/SettingsKeys.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using enum RecipientField;

TEST(SingleByteText, TextKeepsItsSingleByteCharactersAndNeverCutsOne) {
    EXPECT_EQ(Utf8ToSingleByte("Zoë Müller €5 – ok"), "Zo\xEB M\xFCller \x80"
                                                      "5 \x96 ok");
    EXPECT_EQ(Utf8ToSingleByte("日本 ok 😀"), "?? ok ?"); // one per character without a single-byte form
    EXPECT_EQ(Utf8ToSingleByte("a\xC3|\xFF\xFE|\xED\xA0\x80"), "a?|??|???"); // one per malformed byte
    EXPECT_EQ(SingleByteToUtf8("\x81\x8D\x8F\x90\x9D"), "?????");            // undefined bytes
    for (int byte = 1; byte < 256; ++byte) {
        const std::string one(1, static_cast<char>(byte));
        if (const std::string utf8 = SingleByteToUtf8(one); utf8 != "?") {
            EXPECT_EQ(Utf8ToSingleByte(utf8), one) << byte;
        }
    }
    EXPECT_EQ(std::tuple(Utf8Prefix("abé", 3), Utf8Prefix("abé", 4), Utf8Prefix("a😀", 4)),
              std::tuple("ab", "abé", "a"));
    std::array<uint8_t, 6> field;
    field.fill(0xAA);
    WriteSingleByteField(field, "éèêëab"); // one character less than its size, zero filled
    EXPECT_EQ(field, (std::array<uint8_t, 6>{0xE9, 0xE8, 0xEA, 0xEB, 'a', 0}));
    const std::array<uint8_t, 8> bytes{'a', 0xE9, 0, 'z', 'q', 'r', 's', 't'}; // read up to the nul or the end
    EXPECT_EQ(std::tuple(ReadSingleByteField(std::span(bytes)), ReadSingleByteField(std::span(bytes).subspan(3, 3))),
              std::tuple("aé", "zqr"));
}

// A record laid out by hand, field by field.
struct HandRecord {
    HandRecord& Text(size_t offset, std::string_view text) {
        std::memcpy(bytes.data() + offset, text.data(), text.size());
        return *this;
    }
    HandRecord& U16(size_t offset, uint16_t value) {
        return Text(offset, std::string{static_cast<char>(value), static_cast<char>(value >> 8)});
    }
    HandRecord& U32(size_t offset, uint32_t value) { return U16(offset, value & 0xFFFF).U16(offset + 2, value >> 16); }
    // PCM 8000 Hz, 8-bit mono.
    HandRecord& DefaultFormat() {
        return U16(872, 1).U16(874, 1).U32(876, 8000).U32(880, 8000).U16(884, 1).U16(886, 8).U16(888, 0);
    }

    std::string bytes = std::string(1896, '\0');
};

// Loads `bytes` as a recipient file over the default record.
TypistRecipient Loaded(const std::string& bytes) {
    TempFolder folder;
    TypistRecipient recipient;
    EXPECT_TRUE(recipient.Load(folder.Write("Recipient 0.dat", bytes)));
    return recipient;
}

WaveFormatRecord FormatOf(const TypistRecipient& recipient, bool expectUnusable = false) {
    bool unusable = !expectUnusable;
    const WaveFormatRecord format = recipient.FormatOrDefault(unusable);
    EXPECT_EQ(unusable, expectUnusable);
    return format;
}

TEST(TypistRecipient, EveryFieldIsWrittenAtItsOffsetInSingleByteTextToAnOwnerOnlyFile) {
    // The name is cut to 31 characters, the last one whole.
    const std::tuple<RecipientField, std::string, size_t, std::string> fields[] = {
        {Name, std::string(30, 'Z') + "ëüö", 4, std::string(30, 'Z') + "\xEB"},
        {EmailAddress, "zoe@example.org", 40, "zoe@example.org"},
        {Folder, "/srv/typing", 168, "/srv/typing"},
        {FtpServer, "ftp.example.org:2121", 424, "ftp.example.org:2121"},
        {FtpUser, "zoe", 552, "zoe"},
        {FtpPassword, "sécret", 584,
         "s\xE9"
         "cret"},
        {FtpDirectory, "in/box", 616, "in/box"}};
    TypistRecipient recipient;
    HandRecord expected;
    for (const auto& [field, text, offset, bytes] : fields) {
        recipient.SetText(field, text);
        expected.Text(offset, bytes);
    }
    recipient.SetMethod(SendMethod::Ftp);
    recipient.SetFtpOverTls(true);
    recipient.SetVerifyServerCertificate(false);
    const WaveFormatRecord gsm{WaveFormatRecord::kTagGsm610, 1, 8000, 1625, 65, 0, {0x40, 0x01}};
    ASSERT_TRUE(recipient.SetFormat(gsm));
    expected.U32(0, 3).U32(36, 2).U16(872, 0x31).U16(874, 1).U32(876, 8000).U32(880, 1625).U16(884, 65).U16(888, 2);
    TempFolder folder;
    ASSERT_TRUE(recipient.Save(folder / "Recipient 0.dat"));
    EXPECT_EQ(folder.Read("Recipient 0.dat"), expected.Text(890, "\x40\x01").bytes);
    struct stat info {};
    ASSERT_EQ(::stat((folder / "Recipient 0.dat").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "the file holds a password";

    TypistRecipient loaded = Loaded(folder.Read("Recipient 0.dat"));
    for (const auto& [field, text, offset, bytes] : fields)
        EXPECT_EQ(loaded.Text(field), SingleByteToUtf8(bytes));
    EXPECT_EQ(loaded.DisplayText(true), loaded.Name() + " DEFAULT (ftp.example.org:2121)");
    EXPECT_EQ(std::tuple(loaded.MethodValue(), loaded.FtpOverTls(), loaded.VerifyServerCertificate()),
              std::tuple(2u, true, false));
    EXPECT_EQ(FormatOf(loaded), gsm);
    loaded.SetFtpOverTls(false);
    loaded.SetVerifyServerCertificate(true);
    EXPECT_EQ(loaded.Bytes()[0], 0);
}

TEST(TypistRecipient, MissingShortLongAndGarbageFilesLoadAsFarAsTheyMakeSense) {
    EXPECT_FALSE(TypistRecipient().Load("/nonexistent/Recipient 0.dat"));
    const TypistRecipient shortFile = Loaded(std::string("\0\0\0\0Jan", 7)); // a name cut off by the end
    EXPECT_EQ(std::tuple(shortFile.Name(), shortFile.MethodValue()), std::tuple("Janitled", 0u));
    const std::string record = HandRecord().Text(4, "Lee").U32(36, 1).Text(168, "/typing").DefaultFormat().bytes;
    const TypistRecipient longFile = Loaded(record + std::string(5000, 'x')); // only the first 1896 bytes
    EXPECT_EQ(std::string(longFile.Bytes().begin(), longFile.Bytes().end()), record);

    const TypistRecipient garbage = Loaded(std::string(1896, '\xFF'));
    for (const size_t end : {35, 167, 423, 551, 583, 615, 871})
        EXPECT_EQ(garbage.Bytes()[end], 0) << end;
    EXPECT_EQ(garbage.DisplayText(false), garbage.Name() + " (undefined method)");
    EXPECT_EQ(FormatOf(garbage, true), TypistRecipient::DefaultFormat());
}

TEST(TypistRecipient, FormatsThatCannotBeUsedFallBackToTheDefaultAndOnesTooLargeAreRefused) {
    const std::pair<HandRecord, bool> cases[] = {
        {HandRecord().DefaultFormat().U16(872, 0), true},             // no format tag
        {HandRecord().DefaultFormat().U16(874, 0), true},             // no channels
        {HandRecord().DefaultFormat().U32(876, 5), true},             // a rate out of range
        {HandRecord().DefaultFormat().U16(884, 0), true},             // a block align of 0
        {HandRecord().DefaultFormat().U16(884, 3), true},             // PCM block align not channels x bytes
        {HandRecord().DefaultFormat().U16(888, 1024 - 18 + 1), true}, // extra bytes past the area
        {HandRecord().DefaultFormat().U16(888, 1024 - 18), false}};   // extra bytes filling the area
    for (const auto& [record, unusable] : cases)
        EXPECT_EQ(FormatOf(Loaded(record.bytes), unusable) == TypistRecipient::DefaultFormat(), unusable);
    TypistRecipient recipient;
    WaveFormatRecord large = WaveFormatRecord::Pcm(8000, 1, 16);
    large.extra.assign(1024 - 18 + 1, 0);
    EXPECT_FALSE(recipient.SetFormat(large));
    EXPECT_EQ(FormatOf(recipient), TypistRecipient::DefaultFormat()); // the area keeps the format it had
}

class RecipientListTest : public ::testing::Test {
protected:
    // Recipients named by the letters of `names` ('-': no file), with "sendcount" covering them all.
    void MakeRecipients(std::string_view names, int defaultIndex) {
        for (size_t i = 0; i < names.size(); ++i) {
            TypistRecipient recipient;
            recipient.SetText(RecipientField::Name, std::string(1, names[i]));
            ASSERT_TRUE(names[i] == '-' || recipient.Save(m_list.Path(static_cast<int>(i))));
        }
        ASSERT_TRUE(WriteIntValue(m_settings, SettingsKeys::kSendCount, static_cast<int>(names.size())));
        ASSERT_TRUE(WriteIntValue(m_settings, SettingsKeys::kSendDefault, defaultIndex));
        ASSERT_TRUE(FlushProfile(m_settings));
    }
    // The names of the recipient files 0, 1, ..., "-" for a missing one, for as many as `files`.
    std::string Names(size_t files) const {
        std::string names;
        for (int i = 0; i < static_cast<int>(files); ++i)
            names += PathExists(m_list.Path(i)) ? m_list.Load(i).Name() : "-";
        return names;
    }

    TempFolder m_folder;
    std::string m_settings = m_folder / "settings.ini";
    RecipientList m_list{m_folder.Path(), m_settings};
};

TEST_F(RecipientListTest, DeletingMovesTheLaterFilesDownAndTheDefaultWithItsRecipient) {
    // Recipients before, the default, the one deleted, the outcome, recipients after ('-': no file), the default.
    // Deleting the default makes the first one the default; a default naming no recipient is left alone; a gap
    // moves down like a recipient.
    using enum RecipientDeleteResult;
    const std::tuple<std::string, int, int, RecipientDeleteResult, std::string, int> cases[] = {
        {"abc", 0, 1, Deleted, "ac-", 0},       {"abc", 2, 0, Deleted, "bc-", 1},
        {"abc", 0, 2, Deleted, "ab-", 0},       {"abc", 1, 1, Deleted, "ac-", 0},
        {"abc", 3, 0, Deleted, "bc-", 3},       {"ab-d", 0, 0, Deleted, "b-d-", 0},
        {"ab", 0, 2, NoSuchRecipient, "ab", 0}, {"ab", 0, -1, NoSuchRecipient, "ab", 0}};
    for (const auto& [names, defaultIndex, deleted, result, namesAfter, defaultAfter] : cases) {
        SCOPED_TRACE(names + " without " + std::to_string(deleted));
        const TempFolder folder;
        m_list = RecipientList(folder.Path(), m_settings);
        MakeRecipients(names, defaultIndex);
        std::vector<int> told;
        EXPECT_EQ(m_list.Delete(deleted, [&](int index) { return told.push_back(index), true; }), result);
        EXPECT_EQ(Names(names.size()), namesAfter);
        EXPECT_EQ(m_list.DefaultIndex(), defaultAfter);
        const bool deletedOne = result == Deleted;
        EXPECT_EQ(m_list.Count(), static_cast<int>(names.size()) - deletedOne);
        EXPECT_EQ(told, deletedOne ? std::vector<int>{deleted} : std::vector<int>{});
        const auto files = std::count_if(namesAfter.begin(), namesAfter.end(), [](char c) { return c != '-'; });
        EXPECT_EQ(ListFolder(folder.Path())->size(), static_cast<size_t>(files)) << "no held file is left behind";
    }
}

TEST_F(RecipientListTest, AFileThatCannotBeMovedStopsTheDeletionAndPutsEverythingBack) {
    // A mount point cannot be renamed: "Recipient 2.dat" is one, so the second move fails.
    MakeRecipients("ab-", 1);
    const TempFolder elsewhere;
    ASSERT_TRUE(MakeFolders(m_list.Path(2)));
    const ReadOnlyView mount(elsewhere.Path(), m_list.Path(2));
    if (!mount.Mounted())
        GTEST_SKIP() << "mounting is not permitted here";
    bool told = false;
    EXPECT_EQ(m_list.Delete(0, [&](int) { return told = true; }), RecipientDeleteResult::RenumberFailed);
    EXPECT_EQ(Names(2), "ab");
    EXPECT_EQ(m_list.Count(), 3);
    EXPECT_EQ(m_list.DefaultIndex(), 1);
    EXPECT_FALSE(told);
    EXPECT_EQ(ListFolder(m_folder.Path())->size(), 4u) << "no held file is left behind";
}

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

TEST_F(DictationPackageTest, WithoutRecordOrSettingsTheDefaultsGoAndMissingAudioOrAnUnwritableFolderGiveNoPackage) {
    const TypistPackage package = Written("dct00000-00000.dct");
    EXPECT_EQ(std::tuple(package.date, package.priority, package.notes), std::tuple(1234567890u, 50, ""))
        << "the date is the current time";
    EXPECT_EQ(package.details, (std::array<std::string, 10>{}));
    // The priority byte goes by the first letter of the record's text.
    for (const auto& [text, byte] : {std::pair<const char*, int>{"Low", 10}, {"high", 50}})
        EXPECT_EQ(DictationPackage::PriorityByte(text), byte) << text;

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
