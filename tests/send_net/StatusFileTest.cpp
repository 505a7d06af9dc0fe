// Status files from the typist side: reading them defensively and merging them into the sent records.
#include "StatusFile.h"

#include "FileOps.h"
#include "SendNetFixtures.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

ino_t InodeOf(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

} // namespace

TEST(StatusFile, TheNameCarriesTheUserIdInSevenDigits) {
    EXPECT_EQ(StatusFileName(42), "s0000042.sta");
    EXPECT_EQ(StatusFileName(1234567), "s1234567.sta");
    EXPECT_EQ(StatusFileName(0), "s0000000.sta");
}

TEST(StatusFile, FilesWithNoneOneAndManyRecordsAreReadInFileOrder) {
    TempFolder folder;
    EXPECT_TRUE(ReadStatusFile(folder.Write("none.sta", StatusBytes({}))).empty());
    EXPECT_EQ(ReadStatusFile(folder.Write("one.sta", StatusBytes({{17, "Typing"}}))),
              (std::vector<StatusRecord>{{17, "Typing"}}));

    std::vector<std::pair<uint32_t, std::string>> many;
    for (uint32_t i = 0; i < 1000; ++i)
        many.emplace_back(i * 7 + 1, "Done " + std::to_string(i));
    const std::vector<StatusRecord> records = ReadStatusFile(folder.Write("many.sta", StatusBytes(many)));
    ASSERT_EQ(records.size(), 1000u);
    EXPECT_EQ(records[999], (StatusRecord{999 * 7 + 1, "Done 999"}));
    EXPECT_EQ(records[0].number, 1u);
}

TEST(StatusFile, BytesAfterTheLastWholeRecordAreIgnored) {
    std::string bytes = StatusBytes({{1, "Typing"}, {2, "Done"}});
    bytes += std::string(19, 'x'); // 63 bytes in all: two records
    ASSERT_EQ(bytes.size(), 63u);
    const auto records = ParseStatusBytes(bytes);
    ASSERT_TRUE(records);
    EXPECT_EQ(records->size(), 2u);
    EXPECT_FALSE(ParseStatusBytes(std::string("\0\0\0", 3))); // shorter than its header
    EXPECT_FALSE(ParseStatusBytes(""));
}

TEST(StatusFile, AFileOfAnotherVersionIsNotRead) {
    TempFolder folder;
    const std::string path = folder.Write("s0000001.sta", StatusBytes({{17, "Done"}}, 1));
    EXPECT_TRUE(ReadStatusFile(path).empty());
    ProgramFolder program;
    program.WriteSent("Letter", 17);
    const StatusMergeResult merged = ApplyStatusFile(path, program.context.sentFolder);
    EXPECT_FALSE(merged.fileRead);
    EXPECT_EQ(program.SentStatus("Letter"), "Sent");
}

TEST(StatusFile, ATextOfSixteenBytesShowsItsFirstFifteen) {
    const auto records = ParseStatusBytes(StatusBytes({{5, "ABCDEFGHIJKLMNOP"}}));
    ASSERT_TRUE(records);
    EXPECT_EQ(records->at(0).text, "ABCDEFGHIJKLMNO");
}

TEST(StatusFile, TextsAreSingleByteAndControlCharactersBecomeBlanks) {
    const auto records = ParseStatusBytes(StatusBytes({{5, "Tap\xE9 1"}, {6, "a\r\nb\tc"}, {7, "  \"x\"  "}}));
    ASSERT_TRUE(records);
    EXPECT_EQ(records->at(0).text, "Tapé 1");
    EXPECT_EQ(records->at(1).text, "a  b c");
    EXPECT_EQ(records->at(2).text, "x"); // as a record file would give it back
}

TEST(StatusFile, AFileThatClaimsAHugeSizeOrIsNoFileIsNotRead) {
    TempFolder folder;
    const std::string sparse = folder.Write("sparse.sta", StatusBytes({{1, "Done"}}));
    ASSERT_EQ(::truncate(sparse.c_str(), static_cast<off_t>(kStatusFileLimit) + 1), 0);
    EXPECT_TRUE(ReadStatusFile(sparse).empty());

    const std::string pipe = folder / "pipe.sta";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_TRUE(ReadStatusFile(pipe).empty()); // returns at once: nobody writes into the pipe
    EXPECT_FALSE(ApplyStatusFile(folder.Path(), folder.Path()).fileRead);
    EXPECT_FALSE(ApplyStatusFile(folder / "missing.sta", folder.Path()).fileRead);
}

class StatusMergeTest : public ::testing::Test {
protected:
    std::string StatusFile(const std::vector<std::pair<uint32_t, std::string>>& records) {
        return m_program.folder.Write("in.sta", StatusBytes(records));
    }
    std::string Record(const std::string& name) const { return m_program.context.sentFolder + name + ".dat"; }

    ProgramFolder m_program;
};

TEST_F(StatusMergeTest, TheLastMatchingRecordWinsInEveryDictationOfThatNumber) {
    m_program.WriteSent("Letter", 17);
    m_program.WriteSent("Letter copy", 17);
    m_program.WriteSent("Memo", 18);
    const StatusMergeResult merged =
        ApplyStatusFile(StatusFile({{17, "Typing"}, {18, "Checked"}, {17, "Done"}}), m_program.context.sentFolder);
    EXPECT_TRUE(merged.fileRead);
    EXPECT_EQ(merged.records, 3u);
    EXPECT_EQ(merged.matched, 3u);
    EXPECT_EQ(merged.recordsWritten, 3u);
    EXPECT_TRUE(merged.allWritten);
    EXPECT_EQ(m_program.SentStatus("Letter"), "Done");
    EXPECT_EQ(m_program.SentStatus("Letter copy"), "Done");
    EXPECT_EQ(m_program.SentStatus("Memo"), "Checked");
}

TEST_F(StatusMergeTest, OnlyRecordsWhoseStatusChangesAreRewrittenAndEachOnce) {
    m_program.WriteSent("Same", 1, "Done");
    m_program.WriteSent("Changed", 2, "Sent");
    m_program.WriteSent("Untouched", 3, "Sent");
    const ino_t same = InodeOf(Record("Same"));
    const ino_t changed = InodeOf(Record("Changed"));
    const ino_t untouched = InodeOf(Record("Untouched"));
    const std::string untouchedBytes = m_program.folder.Read("Sent Files/Untouched.dat");

    const StatusMergeResult merged = ApplyStatusFile(
        StatusFile({{1, "Done"}, {2, "Typing"}, {2, "Proofing"}, {2, "Done"}}), m_program.context.sentFolder);
    EXPECT_EQ(merged.matched, 2u);
    EXPECT_EQ(merged.recordsWritten, 1u);
    EXPECT_EQ(InodeOf(Record("Same")), same);
    EXPECT_NE(InodeOf(Record("Changed")), changed);
    EXPECT_EQ(InodeOf(Record("Untouched")), untouched);
    EXPECT_EQ(m_program.folder.Read("Sent Files/Untouched.dat"), untouchedBytes);
    EXPECT_EQ(m_program.SentStatus("Changed"), "Done");

    // Merging the same file again writes nothing.
    EXPECT_EQ(ApplyStatusFile(m_program.folder / "in.sta", m_program.context.sentFolder).recordsWritten, 0u);
}

TEST_F(StatusMergeTest, ANumberThatMatchesNoDictationChangesNothing) {
    m_program.WriteSent("Letter", 17);
    m_program.WriteSent("No number", -1);
    const std::string before = m_program.folder.Read("Sent Files/Letter.dat");
    const StatusMergeResult merged =
        ApplyStatusFile(StatusFile({{99, "Done"}, {0, "Zero"}}), m_program.context.sentFolder);
    EXPECT_TRUE(merged.fileRead);
    EXPECT_EQ(merged.matched, 0u);
    EXPECT_EQ(merged.recordsWritten, 0u);
    EXPECT_EQ(m_program.folder.Read("Sent Files/Letter.dat"), before);
    EXPECT_EQ(m_program.SentStatus("No number"), "Sent"); // a record without a number takes no status
}

TEST_F(StatusMergeTest, OnlyRecordFilesOfTheSentFolderAreTouched) {
    m_program.WriteSent("Letter", 17);
    m_program.folder.Write("Sent Files/.hidden.dat", "[file]\nnumber=17\nsendstatus=Sent\n");
    m_program.folder.Write("Sent Files/Letter.txt", "[file]\nnumber=17\n");
    ApplyStatusFile(StatusFile({{17, "Done"}}), m_program.context.sentFolder);
    EXPECT_EQ(m_program.SentStatus("Letter"), "Done");
    EXPECT_EQ(m_program.folder.Read("Sent Files/.hidden.dat"), "[file]\nnumber=17\nsendstatus=Sent\n");
    EXPECT_EQ(m_program.folder.Read("Sent Files/Letter.txt"), "[file]\nnumber=17\n");
}
