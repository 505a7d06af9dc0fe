// The platform layer: settings files (the INI document and profiles), file operations and wave format records.
#include "TempFolder.h"
#include "platform/FileOps.h"
#include "platform/Profile.h"
#include "platform/WaveFormatRecord.h"
#include "platform/internal/IniDocument.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

TEST(IniDocument, SectionsAndKeysMatchWithoutRegardToCaseAndBlanksAndSetReplacesInPlaceWhereNoValueStartsALine) {
    const IniDocument document = IniDocument::Parse("; a comment\n[Settings]\n  Number = 12 \r\nname=\"quoted\"\n"
                                                    "[other]\nnumber=99\nnumber=98\n[OTHER]\nnumber=97\n");
    EXPECT_EQ(document.Get("SETTINGS", "number"), "12");
    EXPECT_EQ(document.Get("settings", "NAME"), "quoted");
    EXPECT_EQ(document.Get("other", "Number"), "99");
    EXPECT_EQ(document.Get("settings", "; a comment"), std::nullopt);

    IniDocument edited = IniDocument::Parse("; keep me\n[file]\nnumber=1\n\n[user]\nphone=5\n");
    edited.Set("FILE", "Number", "2");
    edited.Set("file", "date", "77");
    edited.Set("new", "key", "v");
    EXPECT_EQ(edited.Serialize(), "; keep me\n[file]\nNumber=2\ndate=77\n\n[user]\nphone=5\n[new]\nkey=v\n");

    edited.Set("file", "priority", "High\n[settings]\r\nnumber=1");
    const IniDocument reread = IniDocument::Parse(edited.Serialize());
    EXPECT_EQ(reread.Get("file", "priority"), "High [settings]  number=1");
    EXPECT_EQ(reread.Get("settings", "number"), std::nullopt);
    // Names with "=" or "]", and empty ones, are refused writes in the store's INI tests and the profile test.
    for (const char* name : {"a\nb", ";key", " key"})
        EXPECT_FALSE(IniDocument::IsUsableKeyName(name)) << name;
}

class Profile : public ::testing::Test {
protected:
    TempFolder m_folder;
    const std::string m_path = m_folder / "settings.ini";
};

// Missing sections and keys, and names in another case: the store's INI tests.
TEST_F(Profile, AMissingFileGivesTheDefaultAChangeByAnotherProgramIsNoticedAndReadsSeeAtMost258Bytes) {
    EXPECT_EQ(ProfileRead(m_path, "settings", "number", "1"), "1");
    m_folder.Write("settings.ini", "[settings]\nnumber=5\n");
    EXPECT_EQ(ProfileRead(m_path, "settings", "number", "d"), "5");
    ASSERT_TRUE(ProfileWrite(m_path, "s", "ascii", std::string(300, 'x')));
    EXPECT_EQ(ProfileRead(m_path, "s", "ascii", ""), std::string(258, 'x'));
    // 257 ASCII bytes, then a two-byte character that would straddle the limit.
    ASSERT_TRUE(ProfileWrite(m_path, "s", "utf8", std::string(257, 'x') + "\xc3\xa9"));
    EXPECT_EQ(ProfileRead(m_path, "s", "utf8", ""), std::string(257, 'x'));
    EXPECT_EQ(ProfileRead(m_path, "s", "missing", std::string(259, 'd')), std::string(258, 'd'));
    ProfileForget(m_path);
}

TEST(FileOps, RenameNeverReplacesAFileMissingOnesFailRatherThanLookEmptyAndARewriteIsAtomic) {
    TempFolder folder;
    folder.Write("a.wav", "A");
    folder.Write("b.wav", "B");
    EXPECT_EQ(RenameNoReplace(folder / "a.wav", folder / "b.wav"), RenameResult::TargetExists);
    EXPECT_EQ(folder.Read("b.wav"), "B");
    EXPECT_EQ(RenameNoReplace(folder / "a.wav", folder / "c.wav"), RenameResult::Renamed);
    EXPECT_EQ(folder.Read("c.wav"), "A"); // a.wav was left as it was
    EXPECT_EQ(RenameNoReplace(folder / "a.wav", folder / "d.wav"), RenameResult::SourceMissing);
    EXPECT_FALSE(ReadFileBytes(folder / "none"));
    const std::string path = folder.Write("notes.txt", "old text that is longer");
    ASSERT_TRUE(WriteFileAtomically(path, "new"));
    EXPECT_EQ(folder.Read("notes.txt"), "new");
    EXPECT_EQ(ListFolder(folder.Path()).value().size(), 3u) << "no temporary left";
    EXPECT_FALSE(WriteFileAtomically(folder / "missing/notes.txt", "x"));
    EXPECT_FALSE(PathExists(folder / "missing"));
}

TEST(WaveFormatRecord, UnusableOrCutRecordsAreRefusedAndExtensibleMapsToItsSubFormat) {
    // Offset, value and width of the field changed in a good record.
    const std::tuple<size_t, uint32_t, size_t, const char*> fields[] = {{2, 17, 2, "too many channels"},
                                                                        {4, 400000, 4, "rate too high"},
                                                                        {12, 0, 2, "block align 0"},
                                                                        {16, 1, 2, "an extra byte that is not there"}};
    for (const auto& [offset, value, width, what] : fields) {
        std::vector<uint8_t> bytes = WaveFormatRecord::Pcm(8000, 1, 16).Serialize();
        for (size_t i = 0; i < width; ++i)
            bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
        EXPECT_FALSE(WaveFormatRecord::Parse(bytes)) << what;
    }
    EXPECT_FALSE(WaveFormatRecord::Parse(std::vector<uint8_t>(15)));
    WaveFormatRecord extensible = WaveFormatRecord::Pcm(44100, 2, 16);
    extensible.formatTag = WaveFormatRecord::kTagExtensible;
    extensible.extra = {16, 0, 3, 0, 0, 0, 0x01, 0x00, 0, 0, 0x10, 0, 0x80, 0, 0, 0xaa, 0, 0x38, 0x9b, 0x71};
    extensible.extra.resize(22);
    const auto format = WaveFormatRecord::Parse(extensible.Serialize());
    ASSERT_TRUE(format);
    EXPECT_EQ(format->formatTag, WaveFormatRecord::kTagPcm);
    extensible.extra.resize(10);
    EXPECT_FALSE(WaveFormatRecord::Parse(extensible.Serialize()));
}

} // namespace

TEST_F(Profile, WritesAreSeenAtOnceReachTheDiskAtFlushKeepingTheModeUnlessUnchangedOrTheFileIsForgotten) {
    ASSERT_TRUE(ProfileWrite(m_path, "file", "number", "3"));
    EXPECT_EQ(ProfileRead(m_path, "file", "number", "0"), "3");
    EXPECT_FALSE(PathExists(m_path));
    ASSERT_TRUE(ProfileFlush(m_path));
    EXPECT_EQ(m_folder.Read("settings.ini"), "[file]\nnumber=3\n");

    ASSERT_EQ(::chmod(m_path.c_str(), 0600), 0);
    ASSERT_TRUE(ProfileWrite(m_path, "file", "number", "4") && ProfileFlush(m_path));
    struct stat before = {}, after = {};
    ASSERT_EQ(::stat(m_path.c_str(), &before), 0);
    EXPECT_EQ(before.st_mode & 0777, 0600u);
    ASSERT_TRUE(ProfileWrite(m_path, "file", "number", "4") && ProfileFlush(m_path));
    ASSERT_EQ(::stat(m_path.c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);

    const std::string forgotten = m_folder / "forgotten.ini";
    ASSERT_TRUE(ProfileWrite(forgotten, "file", "number", "1"));
    ProfileForget(forgotten);
    EXPECT_TRUE(ProfileFlushAll());
    EXPECT_FALSE(PathExists(forgotten));
    EXPECT_EQ(ProfileRead(forgotten, "file", "number", "0"), "0");
    EXPECT_FALSE(ProfileWrite(m_path, "s", "", "v")); // unusable names: the store's INI tests try the others
}
