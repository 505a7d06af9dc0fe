// Status files from the typist side, read defensively and merged into the sent records; the status worker's pass
// over folder recipients; and the lines of the work-progress list made from the sent records.
#include "SendNetFixtures.h"
#include "send/SentWorkList.h"
#include "send/StatusFile.h"

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Names = std::vector<std::string>;

ino_t InodeOf(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

TEST(StatusFile, WholeRecordsAreReadInFileOrderWithTheirTextsCleanedAndAnythingElseIsIgnored) {
    TempFolder folder;
    std::vector<std::pair<uint32_t, std::string>> many;
    for (uint32_t i = 0; i < 1000; ++i)
        many.emplace_back(i * 7 + 1, "Done " + std::to_string(i));
    const std::vector<StatusRecord> records = ReadStatusFile(folder.Write("many.sta", StatusBytes(many)));
    ASSERT_EQ(records.size(), 1000u);
    EXPECT_EQ(records[999], (StatusRecord{999 * 7 + 1, "Done 999"}));
    EXPECT_TRUE(ReadStatusFile(folder.Write("none.sta", StatusBytes({}))).empty());
    // Single-byte texts of at most 15 characters, control characters as blanks, trimmed as a record gives them.
    const auto parsed =
        ParseStatusBytes(StatusBytes({{5, "Tap\xE9 1"}, {6, "a\r\nb\tc"}, {7, "  \"x\"  "}, {8, "ABCDEFGHIJKLMNOP"}}) +
                         std::string(19, 'x')); // not a whole record
    EXPECT_EQ(parsed, (std::vector<StatusRecord>{{5, "Tapé 1"}, {6, "a  b c"}, {7, "x"}, {8, "ABCDEFGHIJKLMNO"}}));
    EXPECT_FALSE(ParseStatusBytes(std::string("\0\0\0", 3))); // shorter than its header
    EXPECT_FALSE(ParseStatusBytes(StatusBytes({{17, "Done"}}, 1)));
}

TEST(StatusFile, FilesOfAnotherVersionOrAHugeSizeOrThatAreNoFilesAreNotRead) {
    ProgramFolder program;
    program.WriteSent("Letter", 17);
    const std::string other = program.folder.Write("other.sta", StatusBytes({{17, "Done"}}, 1));
    const std::string sparse = program.folder.Write("sparse.sta", StatusBytes({{17, "Done"}}));
    ASSERT_EQ(::truncate(sparse.c_str(), static_cast<off_t>(kStatusFileLimit) + 1), 0);
    const std::string pipe = program.folder / "pipe.sta";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0); // read at once: nobody writes into the pipe
    for (const std::string& path : {other, sparse, pipe, program.folder.Path(), program.folder / "missing.sta"}) {
        EXPECT_TRUE(ReadStatusFile(path).empty()) << path;
        EXPECT_FALSE(ApplyStatusFile(path, program.context.sentFolder).fileRead) << path;
    }
    EXPECT_EQ(program.SentStatuses({"Letter"}), Names{"Sent"});
}

TEST(StatusMerge, TheLastMatchingRecordWinsAndOnlyRecordFilesWhoseStatusChangesAreRewrittenOnce) {
    ProgramFolder program;
    for (const auto& [name, number, status] : {std::tuple{"Letter", 17, "Sent"},
                                               {"Letter copy", 17, "Sent"},
                                               {"Same", 18, "Done"},
                                               {"Untouched", 19, "Sent"},
                                               {"No number", -1, "Sent"}})
        program.WriteSent(name, number, status);
    const std::string hidden = program.folder.Write("Sent Files/.hidden.dat", "[file]\nnumber=17\nsendstatus=Sent\n");
    const std::string notes = program.folder.Write("Sent Files/Letter.txt", "[file]\nnumber=17\n");
    const std::string untouched = program.folder.Read("Sent Files/Untouched.dat");
    const ino_t same = InodeOf(program.context.sentFolder + "Same.dat");
    const std::string file = program.folder.Write(
        "in.sta", StatusBytes({{17, "Typing"}, {18, "Done"}, {17, "Proofing"}, {17, "Done"}, {99, "x"}, {0, "Zero"}}));
    const StatusMergeResult merged = ApplyStatusFile(file, program.context.sentFolder);
    EXPECT_EQ(std::tie(merged.fileRead, merged.records, merged.matched, merged.recordsWritten, merged.allWritten),
              std::tuple(true, 6u, 3u, 2u, true));
    EXPECT_EQ(program.SentStatuses({"Letter", "Letter copy", "No number"}), (Names{"Done", "Done", "Sent"}));
    EXPECT_EQ(InodeOf(program.context.sentFolder + "Same.dat"), same);
    EXPECT_EQ(program.folder.Read("Sent Files/Untouched.dat"), untouched);
    EXPECT_EQ(ReadFileBytes(hidden), "[file]\nnumber=17\nsendstatus=Sent\n");
    EXPECT_EQ(ReadFileBytes(notes), "[file]\nnumber=17\n");
    EXPECT_EQ(ApplyStatusFile(file, program.context.sentFolder).recordsWritten, 0u); // again: nothing to write
}

class StatusWorkerTest : public ::testing::Test {
protected:
    void SetUp() override {
        TypistRecipient lan;
        lan.SetMethod(SendMethod::Lan);
        lan.SetText(RecipientField::Folder, m_typist + "/ "); // a trailing slash and blank
        m_program.AddRecipient(0, lan);
        m_program.WriteSent("Letter", 17);
        m_program.WriteSent("Memo", 18);
    }
    static std::tuple<size_t, size_t, size_t, size_t> Summary(const StatusPassSummary& pass) {
        return {pass.recipientsVisited, pass.filesMerged, pass.recordsWritten, pass.failures};
    }
    Names TypistFiles() const {
        Names names = ListFolder(m_typist).value_or(Names{"<unlistable>"});
        std::sort(names.begin(), names.end());
        return names;
    }

    ProgramFolder m_program;
    std::string m_typist = m_program.folder / "typist";
    bool m_made = MakeFolders(m_typist);
};

TEST_F(StatusWorkerTest, OurStatusFileInARecipientsFolderIsMergedAndDeletedAfterOneLeftByAnInterruptedPickUp) {
    m_program.folder.Write("typist/s0000042.sta.0123456789abcdef.tmp", StatusBytes({{17, "Typing"}, {18, "Done"}}));
    m_program.folder.Write("typist/s0000042.sta", StatusBytes({{17, "Checked"}}));
    m_program.folder.Write("typist/s0000043.sta", StatusBytes({{17, "Other user"}}));
    Status status(m_program.context);
    EXPECT_EQ(Summary(RunStatusPass(status)), std::tuple(1u, 2u, 3u, 0u));
    EXPECT_EQ(m_program.SentStatuses({"Letter", "Memo"}), (Names{"Checked", "Done"}));
    EXPECT_EQ(TypistFiles(), Names{"s0000043.sta"}); // another user's file stays
}

TEST_F(StatusWorkerTest, AFileThatIsNotAStatusFileOfOursStaysUnderItsName) {
    const std::string foreign = StatusBytes({{17, "Done"}}, 3);
    m_program.folder.Write("typist/s0000042.sta", foreign);
    Status status(m_program.context);
    EXPECT_EQ(Summary(RunStatusPass(status)), std::tuple(1u, 0u, 0u, 1u));
    EXPECT_EQ(m_program.folder.Read("typist/s0000042.sta"), foreign);
    EXPECT_EQ(m_program.SentStatuses({"Letter"}), Names{"Sent"});
}

TEST_F(StatusWorkerTest, NoStatusFileIsTheQuietNormalCaseAndOtherMethodsAreSkipped) {
    TypistRecipient email; // the default record: e-mail, naming the same folder
    email.SetText(RecipientField::Folder, m_typist);
    m_program.AddRecipient(1, email);
    m_program.folder.Write("typist/s0000042.sta", StatusBytes({{17, "Done"}}));
    Status status(m_program.context);
    EXPECT_EQ(Summary(RunStatusPass(status)), std::tuple(1u, 1u, 1u, 0u));
    EXPECT_EQ(Summary(RunStatusPass(status)), std::tuple(1u, 0u, 0u, 0u)); // finds nothing and reports nothing
}

// Noon UTC: the same date in every time zone within twelve hours of UTC.
constexpr int64_t kDecember6Noon = 1733486400; // 2024-12-06 12:00 UTC
constexpr int64_t kMarch1Noon = 1709294400;    // 2024-03-01 12:00 UTC

TEST(SentWorkList, EachSentRecordGivesOneLineInListOrderWithDefaultsForMissingKeys) {
    ProgramFolder program;
    const std::string longName(200, 'n'), longRecipient(250, 'r'); // not cut by a fixed buffer
    program.WriteSent("letter to bank", 1, "Typing", kDecember6Noon, "Jane (/typing)");
    program.WriteSent("Memo", 2, "Sent", kMarch1Noon, "Lee (ftp.example.com:2121)");
    program.WriteSent(longName, 3, "Done", kDecember6Noon, longRecipient);
    program.folder.Write("Sent Files/Bare.dat", "[file]\nnumber=4\n");
    program.folder.Write("Sent Files/Failed.dat", "[file]\nsenddate=-5\nsendstatus=Sent\ndelivery=Not sent\n");
    program.folder.Write("Sent Files/Memo.wav", "RIFF");
    program.folder.Write("Sent Files/.Memo.dat.tmp", "[file]\n");
    const std::string path = program.context.sentFolder + "Memo.dat";
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    const std::vector<SentWorkLine> lines = ListSentWork(program.context.sentFolder, kMarch1Noon);
    std::vector<std::string> texts;
    for (const SentWorkLine& line : lines)
        texts.push_back(line.text);
    EXPECT_EQ(texts, (Names{"2024-03-01 Bare: Sent to [Unknown Recipient] status [Unknown Status]",
                            "2024-03-01 Failed: Sent to [Unknown Recipient] status [Sent]",
                            "2024-03-01 Memo: Sent to [Lee (ftp.example.com:2121)] status [Sent]",
                            "2024-12-06 letter to bank: Sent to [Jane (/typing)] status [Typing]",
                            "2024-12-06 " + longName + ": Sent to [" + longRecipient + "] status [Done]"}));
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(std::tie(lines[3].name, lines[3].dateText, lines[3].recipient, lines[3].status, lines[3].delivery),
              std::tie("letter to bank", "2024-12-06", "Jane (/typing)", "Typing", ""));
    EXPECT_EQ(lines[1].delivery, "Not sent"); // the queue's delivery state is a column of its own
    EXPECT_EQ(SentWorkName(lines[4].text), longName);
    // Reading the list writes no record.
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(std::tie(after.st_ino, after.st_mtim.tv_nsec), std::tie(before.st_ino, before.st_mtim.tv_nsec));
}

TEST(SentWorkList, AMissingFolderGivesNoLinesAndTheNameOfALineIsFound) {
    EXPECT_TRUE(ListSentWork("/nonexistent/Sent Files/").empty());
    ProgramFolder program;
    program.WriteSent("Letter", 1, "Sent", -1);
    EXPECT_EQ(ListSentWork(program.context.sentFolder).at(0).dateText.size(), 10u); // today, by the clock
    EXPECT_EQ(SentWorkName("2024-12-06 Letter: Sent to [a: b] status [Sent]"), "Letter");
    EXPECT_EQ(SentWorkName("garbage"), "");
    EXPECT_EQ(SentWorkName(""), "");
}

} // namespace
